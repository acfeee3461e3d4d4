#pragma once

#include "networkservices.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The commands of the network-setup tool, answered in the output format of
// macOS networksetup:
//   -listnetworkserviceorder
//   -getdnsservers SERVICE
//   -setdnsservers SERVICE ADDRESS... | Empty
//   -listallhardwareports
// The DNS servers of every service are the system resolver's (the machine
// has one resolver configuration for all interfaces); when the configuration
// only points at the local systemd-resolved stub, the servers that
// systemd-resolved uses are reported instead.
class NetworkSetup
{
public:
    NetworkSetup(const NetworkServices &services, const QString &resolvConfPath,
                 const QString &resolvedConfPath = QStringLiteral("/run/systemd/resolve/resolv.conf"));

    // Runs one command; returns the exit code and fills standard output and error.
    int run(const QStringList &arguments, QByteArray *output, QByteArray *errors) const;

    static QByteArray usage();

private:
    int listServiceOrder(QByteArray *output) const;
    int listHardwarePorts(QByteArray *output) const;
    int getDnsServers(const QString &serviceName, QByteArray *output, QByteArray *errors) const;
    int setDnsServers(const QString &serviceName, const QStringList &servers, QByteArray *errors) const;
    bool knownService(const QString &serviceName, QByteArray *errors) const;

    NetworkServices m_services;
    QString m_resolvConfPath;
    QString m_resolvedConfPath;
};
