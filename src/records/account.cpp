#include "account.h"

#include "buildconfig.h"

#include <QDebug>
#include <QStringList>

Account::Account(quint64 id, const QString &userName, const QString &status, const QString &updated,
                 const QString &created, const QString &wgIp, const QString &wgPrivateKey, const QString &)
    : m_id(id),
      m_userName(userName),
      m_status(status),
      m_updated(updated),
      m_created(created),
      m_wgIp(wgIp),
      m_wgPrivateKey(wgPrivateKey),
      m_wgPublicKey(fixedPeerPublicKey())
{ }

QString Account::fixedPeerPublicKey()
{
    return QString::fromLatin1(BuildConfig::wireGuardPeerPublicKey);
}

bool Account::isValid() const
{
    return m_id != 0 && m_status != QLatin1String("Disabled");
}

QString Account::configuration(const QString &endpoint, const QString &dns) const
{
    if (!isValid())
        return QString();
    // Values come from the API and from the server list: a line break in any of
    // them would add lines of its own choosing to the engine's configuration.
    for (const QString *value : {&m_wgPrivateKey, &m_wgIp, &m_wgPublicKey, &endpoint, &dns}) {
        if (value->contains(QLatin1Char('\n')) || value->contains(QLatin1Char('\r'))) {
            qWarning().noquote() << QStringLiteral(
                "Account: Refusing a configuration value with a line break");
            return QString();
        }
    }
    const QStringList lines = {
        QStringLiteral("[Interface]"),
        QStringLiteral("PrivateKey = %1").arg(m_wgPrivateKey),
        QStringLiteral("Address = %1/32").arg(m_wgIp),
        QStringLiteral("DNS = %1").arg(dns),
        QString(),
        QStringLiteral("[Peer]"),
        QStringLiteral("PublicKey = %1").arg(m_wgPublicKey),
        QStringLiteral("AllowedIPs = 0.0.0.0/0, ::/0"),
        QStringLiteral("Endpoint = %1:%2").arg(endpoint).arg(wireGuardPort),
        QString(),
    };
    return lines.join(QLatin1Char('\n'));
}
