#include "pushreplymessage.h"

#include "utils.h"

PushReplyMessage::PushReplyMessage(const QString &reply)
    : m_items(reply.split(QLatin1Char(','), Qt::SkipEmptyParts))
{ }

QStringList PushReplyMessage::dataByKey(const QString &key) const
{
    QStringList values;
    if (key.isEmpty())
        return values;
    for (const QString &item : m_items) {
        if (!item.startsWith(key))
            continue;
        QString value = item;
        values << value.remove(key).simplified();
    }
    return values;
}

bool PushReplyMessage::dnsServerAddresses(QString &ipv4, QString &ipv6) const
{
    bool foundIpv4 = false;
    bool foundIpv6 = false;
    const QStringList values = dataByKey(QStringLiteral("dhcp-option DNS"));
    for (const QString &value : values) {
        if (Utils::isValidIPv4Address(value)) {
            ipv4 = value;
            foundIpv4 = true;
        } else if (Utils::isValidIPv6Address(value)) {
            ipv6 = value;
            foundIpv6 = true;
        }
    }
    return foundIpv4 && foundIpv6;
}
