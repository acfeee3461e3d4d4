#include "qmltypes.h"

#include "connectionstate.h"
#include "dashcircle.h"
#include "settings.h"

#include <QDebug>
#include <QUrl>
#include <QtQml>

void QmlTypes::registerTypes()
{
    const QUrl fontFactory(Settings::qmlPath(QStringLiteral("AFontFactory.qml")));
    if (fontFactory.isRelative())
        qWarning().noquote() << QStringLiteral(
            "Application: qmlRegisterSingletonType requires absolute URLs.");
    else
        qmlRegisterSingletonType(fontFactory, "VPNClient", 1, 0, "FontFactory");
    qmlRegisterType<DashCircle>("DashCircle", 1, 0, "DashCircle");
    qRegisterMetaType<ConnectionState::Id>("ConnectionState::Id");
    qRegisterMetaType<ConnectionState::Id>("Application::Id");
    qmlRegisterType<ConnectionState>("ConnectionState", 1, 0, "ConnectionState");
}
