#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

// The DNS data file: the user's own resolver configuration, byte for byte,
// kept while the VPN's is in place, and the host routes the tool added.
// It is written durably (synced, renamed, folder synced) before the
// resolver configuration is touched, so a crash never loses the user's
// configuration.
class DnsDataFile
{
public:
    enum LoadResult { Missing, Loaded, Corrupt };

    // The file of this build (overridable with VPN_DNS_DATA_FILE, for tests).
    static QString defaultPath();

    static LoadResult load(const QString &path, DnsDataFile *data, QString *error);
    bool save(const QString &path, QString *error) const;
    // Removes the file; true when it is gone.
    static bool remove(const QString &path, QString *error);

    QByteArray resolvConf() const { return m_resolvConf; }
    void setResolvConf(const QByteArray &text) { m_resolvConf = text; }
    QList<QHostAddress> routes() const { return m_routes; }
    void setRoutes(const QList<QHostAddress> &routes) { m_routes = routes; }

private:
    QByteArray m_resolvConf;
    QList<QHostAddress> m_routes;
};
