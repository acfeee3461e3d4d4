#pragma once

#include <QMetaType>
#include <QString>

// Traffic counters of a connection: bytes received and bytes sent.
class ConnectionStatistics
{
public:
    ConnectionStatistics() = default;
    ConnectionStatistics(quint64 received, quint64 sent);
    // From texts such as "1.5 MiB" (see stringToValue).
    ConnectionStatistics(const QString &received, const QString &sent);

    quint64 received() const { return m_received; }
    quint64 sent() const { return m_sent; }

    // A number followed by one of " B", " KiB", " MiB", " GiB", " TiB", read in
    // single precision (large counts lose their low digits). Anything else is 0
    // and logged as a parse error.
    static quint64 stringToValue(const QString &text);
    // The text with every occurrence of the unit removed.
    static QString convert(const QString &text, const QString &unit);

private:
    quint64 m_received = 0;
    quint64 m_sent = 0;
};

Q_DECLARE_METATYPE(ConnectionStatistics)
