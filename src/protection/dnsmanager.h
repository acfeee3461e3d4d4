#pragma once

#include "networkconnection.h"

#include <QObject>
#include <QStringList>
#include <QVector>

// Knows the machine's network services and the DNS servers their user has
// set, and turns them into the entries of the DNS tool's command line.
// Discovery runs the network-setup program (macOS networksetup, our netsetup
// on Linux) and blocks the calling thread for at most 30 seconds per call.
class DnsManager : public QObject
{
    Q_OBJECT

public:
    // One service of the listing: its device and its service name.
    struct Service
    {
        QString deviceName;
        QString serviceName;
    };

    explicit DnsManager(QObject *parent = nullptr);

    // Discovery of the services and their DNS servers, then print().
    void initializeUserDns();
    // One "device@addresses" entry per service with the user's own servers.
    QStringList argsForUserConnection() const;
    // One "device@ipv4,ipv6" entry per service with the VPN's servers.
    QStringList argsForVpnConnection(const QString &ipv4, const QString &ipv6) const;
    // Discovery, then whether any service still lists a predefined VPN DNS
    // address: the sign of an earlier run that did not restore the user's DNS.
    bool dnsEntriesWithVpnAddresses();
    // The DNS tool beside the executable.
    static QString dnsFileNamePath();
    void print();

    QVector<NetworkConnection> networkConnectionList() const { return m_networkConnectionList; }
    // Takes over, for each own service, the user settings of the first given
    // service with the same device.
    void setNetworkConnectionList(const QVector<NetworkConnection> &list);

    static bool vpnDnsEntryExistsInList(const QStringList &list);

    // The network-setup program of this platform, and the one this object runs.
    static QString defaultNetworkSetupProgram();
    QString networkSetupProgram() const { return m_networkSetupProgram; }
    void setNetworkSetupProgram(const QString &program) { m_networkSetupProgram = program; }

    // The enabled services of a "-listnetworkserviceorder" output, in order,
    // without tethering services and services without a device.
    static QVector<Service> servicesFromListing(const QString &output);
    // The addresses of a "-getdnsservers" output, by family; other lines are dropped.
    static void dnsServersFromOutput(const QString &output, DnsSettings *ipv4, DnsSettings *ipv6);

private:
    void discover();
    QString networkSetupOutput(const QStringList &arguments) const;

    QString m_networkSetupProgram;
    QVector<NetworkConnection> m_networkConnectionList;
};
