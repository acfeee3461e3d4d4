#pragma once

#include "dnscommand.h"
#include "dnsdatafile.h"
#include "hostroutes.h"

#include <QByteArray>
#include <QString>

// Switches the system resolver between the user's configuration and the
// VPN's. The VPN's configuration carries a marker line; only a configuration
// with that marker is ever overwritten by a restore, so a configuration the
// system wrote in the meantime (a new network, DHCP) is never replaced by an
// older saved one. Every step is idempotent and ordered so that a crash at
// any point leaves the user's configuration recoverable by "reset".
class DnsSwitch
{
public:
    enum ExitCode { Success = 0, BadArguments = 1, Failure = 2, RouteFailure = 3 };

    DnsSwitch(const QString &resolvConfPath, const QString &dataFilePath);

    // Runs one command; returns the exit code, messages go to the error text.
    int run(const DnsCommand &command, QString *error);

    // Where systemd-resolved keeps its stub configuration (exists while it runs).
    void setResolvedStubPath(const QString &path) { m_resolvedStubPath = path; }

    // The first line of every configuration the tool writes.
    static QByteArray marker();
    static bool isOwnConfiguration(const QByteArray &text);

private:
    // What a run starts from: the current configuration and the data file.
    struct State
    {
        QByteArray current;
        DnsDataFile data;
        DnsDataFile::LoadResult loaded = DnsDataFile::Missing;
    };

    int switchToVpn(const DnsCommand &command, State &state, QString *error);
    int restore(const DnsCommand &command, const State &state, QString *error);
    // A configuration to fall back on when the user's is lost.
    QByteArray defaultConfiguration() const;
    QByteArray vpnConfiguration(const QStringList &servers) const;

    QString m_resolvConfPath;
    QString m_dataFilePath;
    QString m_resolvedStubPath = QStringLiteral("/run/systemd/resolve/stub-resolv.conf");
    HostRoutes m_routes;
};
