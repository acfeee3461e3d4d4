#include "connectionstatistics.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace {
struct Unit
{
    const char *suffix;
    float factor;
};

const Unit units[] = {
    {" B", 1.0f},
    {" KiB", 1024.0f},
    {" MiB", 1048576.0f},
    {" GiB", 1073741824.0f},
    {" TiB", 1099511627776.0f},
};

// 2^64 as a float: the first value that no longer fits the counter.
constexpr float counterLimit = 18446744073709551616.0f;
} // namespace

ConnectionStatistics::ConnectionStatistics(quint64 received, quint64 sent)
    : m_received(received), m_sent(sent)
{ }

ConnectionStatistics::ConnectionStatistics(const QString &received, const QString &sent)
    : m_received(stringToValue(received)), m_sent(stringToValue(sent))
{ }

QString ConnectionStatistics::convert(const QString &text, const QString &unit)
{
    QString rest = text;
    return rest.remove(unit);
}

quint64 ConnectionStatistics::stringToValue(const QString &text)
{
    for (const Unit &unit : units) {
        const QString suffix = QString::fromLatin1(unit.suffix);
        if (!text.endsWith(suffix))
            continue;
        const float number = convert(text, suffix).toFloat();
        const float value = number * unit.factor;
        // A negative, infinite or not-a-number text must not reach the integer conversion.
        if (!std::isfinite(number) || std::isnan(value) || value <= 0.0f)
            return 0;
        if (value >= counterLimit)
            return std::numeric_limits<quint64>::max();
        return static_cast<quint64>(value);
    }
    qCritical().noquote() << QStringLiteral("ConnectionStatistics: Parse error, %1").arg(text);
    return 0;
}
