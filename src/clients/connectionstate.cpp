#include "connectionstate.h"

#include <QCoreApplication>

ConnectionState::ConnectionState(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ConnectionState"));
}

QString ConnectionState::stateToString(Id id, bool quoted)
{
    QString name;
    switch (id) {
    case Id::Disconnected:
        name = QStringLiteral("Disconnected");
        break;
    case Id::Preparing:
        name = QStringLiteral("Preparing");
        break;
    case Id::Connecting:
        name = QStringLiteral("Connecting");
        break;
    case Id::Connected:
        name = QStringLiteral("Connected");
        break;
    case Id::Disconnecting:
        name = QStringLiteral("Disconnecting");
        break;
    case Id::Reconnecting:
        name = QStringLiteral("Reconnecting");
        break;
    case Id::Error:
        name = QStringLiteral("Error");
        break;
    default:
        name = QStringLiteral("Unknown");
        break;
    }
    return quoted ? QStringLiteral("'%1'").arg(name) : name;
}

QString ConnectionState::stateToTrString(Id id)
{
    switch (id) {
    case Id::Disconnected:
        return QCoreApplication::translate("ConnectionState", "Disconnected");
    case Id::Preparing:
        return QCoreApplication::translate("ConnectionState", "Preparing");
    case Id::Connecting:
        return QCoreApplication::translate("ConnectionState", "Connecting...");
    case Id::Connected:
        return QCoreApplication::translate("ConnectionState", "Connected");
    case Id::Disconnecting:
        return QCoreApplication::translate("ConnectionState", "Disconnecting...");
    case Id::Reconnecting:
        return QCoreApplication::translate("ConnectionState", "Reconnecting...");
    case Id::Error:
        return QCoreApplication::translate("ConnectionState", "Error!");
    default:
        return QCoreApplication::translate("ConnectionState", "Unknown");
    }
}
