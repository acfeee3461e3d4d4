#include "dnssettings.h"

const QString DnsSettings::m_separator = QStringLiteral(",");

DnsSettings::DnsSettings(const QStringList &list) : m_dnsList(list)
{ }

DnsSettings::DnsSettings(const QString &address)
{
    append(address);
}

void DnsSettings::append(const QString &address)
{
    if (!address.isEmpty())
        m_dnsList << address;
}

QString DnsSettings::toString() const
{
    return m_dnsList.join(m_separator);
}

DnsSettings DnsSettings::fromString(const QString &text)
{
    return DnsSettings(text.split(m_separator));
}

QStringList DnsSettings::fromStringForCommandLine(const QString &text)
{
    const QStringList parts = text.split(m_separator);
    if (parts.isEmpty() || (parts.size() == 1 && parts.first().isEmpty()))
        return {QStringLiteral("Empty")};
    return parts;
}

bool DnsSettings::vpnDnsEntryExistsInList() const
{
    return vpnDnsEntryExistsInList(m_dnsList);
}

bool DnsSettings::vpnDnsEntryExistsInList(const QStringList &list)
{
    return list.contains(vpnDnsIPv4Predefined()) || list.contains(vpnDnsIPv6Predefined());
}
