#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The machine's network services as Linux sees them: every interface but
// loopback is one service, named after its device, in interface order.
class NetworkServices
{
public:
    struct Service
    {
        QString device; // the interface name, also the service name
        QString hardwarePort; // the kind of port, in networksetup's words
        QString macAddress; // empty when the interface has none
        bool enabled = false; // administratively up
        int index = 0; // the kernel's interface index
    };

    // Reads the interfaces below the sysfs network class folder.
    explicit NetworkServices(const QString &sysClassNet = QStringLiteral("/sys/class/net"));

    QVector<Service> services() const;
    // The service of that name, or nullptr.
    const Service *find(const QString &name) const;

    // The hardware port of an interface from its sysfs facts: DEVTYPE of its
    // uevent, its device's driver, its ARP hardware type, and whether it is a
    // wireless or a TUN device.
    static QString hardwarePort(const QString &devType, const QString &driver, int arpType, bool wireless,
                                bool tun);

private:
    QVector<Service> m_services;
};
