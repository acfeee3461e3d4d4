#include "notification.h"

#include <QSystemTrayIcon>

void Notification::showMessage(QSystemTrayIcon *trayIcon, const QString &title, const QString &text)
{
    if (trayIcon && trayIcon->isVisible())
        trayIcon->showMessage(title, text, QSystemTrayIcon::Information);
}
