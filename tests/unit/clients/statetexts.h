#pragma once

#include "connectionstate.h"

#include <QSignalSpy>
#include <QStringList>

// The connection states a client reported, one text per state
// ("Name|additional data|critical"), for comparing whole sequences.
inline QStringList states(const QSignalSpy &spy)
{
    QStringList texts;
    for (const QList<QVariant> &arguments : spy) {
        texts << QStringLiteral("%1|%2|%3")
                     .arg(ConnectionState::stateToString(arguments.at(0).value<ConnectionState::Id>()),
                          arguments.at(1).toString(),
                          arguments.at(2).toBool() ? QStringLiteral("critical") : QString());
        // The additional data always travels as the error description too.
        if (arguments.at(1) != arguments.at(3))
            texts << QStringLiteral("description differs: ") + arguments.at(3).toString();
    }
    return texts;
}

inline bool reached(const QSignalSpy &spy, ConnectionState::Id state)
{
    for (const QList<QVariant> &arguments : spy) {
        if (arguments.at(0).value<ConnectionState::Id>() == state)
            return true;
    }
    return false;
}
