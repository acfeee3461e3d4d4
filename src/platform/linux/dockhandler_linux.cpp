#include "dockhandler.h"

DockHandler::DockHandler(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DockHandler"));
}

void DockHandler::registerHandler()
{
    // Linux desktops have no dock re-open event; the tray and a second start raise the window.
    m_registered = true;
}
