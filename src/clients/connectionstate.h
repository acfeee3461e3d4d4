#pragma once

#include <QObject>
#include <QString>

// The connection states shared by the protocol clients, the connection
// controller, the tray and QML ("ConnectionState" 1.0).
class ConnectionState : public QObject
{
    Q_OBJECT

public:
    enum class Id {
        Disconnected = 0,
        Preparing = 1,
        Connecting = 2,
        Connected = 3,
        Disconnecting = 4,
        Reconnecting = 5,
        Error = 6,
        Unknown = 7
    };
    Q_ENUM(Id)

    explicit ConnectionState(QObject *parent = nullptr);

    // The plain name for the log; with quoted, between single quotes.
    // A value outside the enumeration reads as "Unknown".
    static QString stateToString(Id id, bool quoted = false);
    // The translated text shown to the user.
    static QString stateToTrString(Id id);
};
