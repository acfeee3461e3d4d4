#pragma once

#include <QMetaType>
#include <QString>

// The user's VPN account as the API returns it, with the WireGuard key
// material. The peer public key is always the deployment's fixed key: the
// "wg_public_key" of the API reply (the client's own key) is never kept.
class Account
{
public:
    Account() = default;
    Account(quint64 id, const QString &userName, const QString &status, const QString &updated,
            const QString &created, const QString &wgIp, const QString &wgPrivateKey,
            const QString &wgPublicKey);

    quint64 id() const { return m_id; }
    QString userName() const { return m_userName; }
    QString status() const { return m_status; }
    QString updated() const { return m_updated; }
    QString created() const { return m_created; }
    QString wgIp() const { return m_wgIp; }
    QString wgPrivateKey() const { return m_wgPrivateKey; }
    QString wgPublicKey() const { return m_wgPublicKey; }

    // An account exists (id not 0) and is not "Disabled".
    bool isValid() const;

    // The WireGuard configuration for the engine; empty for an account that is
    // not valid or whose values would break the line structure of the file.
    QString configuration(const QString &endpoint, const QString &dns) const;

    static QString fixedPeerPublicKey();
    static constexpr int wireGuardPort = 55888;

private:
    quint64 m_id = 0;
    QString m_userName;
    QString m_status;
    QString m_updated;
    QString m_created;
    QString m_wgIp;
    QString m_wgPrivateKey;
    QString m_wgPublicKey;
};

Q_DECLARE_METATYPE(Account)
