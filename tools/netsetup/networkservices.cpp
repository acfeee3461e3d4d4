#include "networkservices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {
constexpr int arpHardwareEther = 1;
constexpr int arpHardwareLoopback = 772;
constexpr int interfaceFlagUp = 0x1;

QByteArray readAttribute(const QString &folder, const QString &name)
{
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll().trimmed();
}

QString devTypeOf(const QString &folder)
{
    const QList<QByteArray> lines = readAttribute(folder, QStringLiteral("uevent")).split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("DEVTYPE="))
            return QString::fromLatin1(line.mid(8));
    }
    return QString();
}
} // namespace

NetworkServices::NetworkServices(const QString &sysClassNet)
{
    const QFileInfoList entries = QDir(sysClassNet).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString folder = entry.absoluteFilePath();
        bool ok = false;
        const int arpType = readAttribute(folder, QStringLiteral("type")).toInt(&ok);
        if (!ok || arpType == arpHardwareLoopback)
            continue;
        Service service;
        service.device = entry.fileName();
        service.index = readAttribute(folder, QStringLiteral("ifindex")).toInt();
        service.enabled = readAttribute(folder, QStringLiteral("flags")).toInt(&ok, 0) & interfaceFlagUp;
        const QString driver = QFileInfo(folder + QStringLiteral("/device/driver")).symLinkTarget();
        service.hardwarePort = hardwarePort(devTypeOf(folder), QFileInfo(driver).fileName(), arpType,
                                            QFileInfo::exists(folder + QStringLiteral("/wireless")),
                                            QFileInfo::exists(folder + QStringLiteral("/tun_flags")));
        if (arpType == arpHardwareEther)
            service.macAddress = QString::fromLatin1(readAttribute(folder, QStringLiteral("address")));
        m_services.append(service);
    }
    std::sort(m_services.begin(), m_services.end(),
              [](const Service &a, const Service &b) { return a.index < b.index; });
}

QVector<NetworkServices::Service> NetworkServices::services() const
{
    return m_services;
}

const NetworkServices::Service *NetworkServices::find(const QString &name) const
{
    for (const Service &service : m_services) {
        if (service.device == name)
            return &service;
    }
    return nullptr;
}

QString NetworkServices::hardwarePort(const QString &devType, const QString &driver, int arpType,
                                      bool wireless, bool tun)
{
    if (driver == QLatin1String("ipheth"))
        return QStringLiteral("iPhone USB");
    if (wireless || devType == QLatin1String("wlan"))
        return QStringLiteral("Wi-Fi");
    if (devType == QLatin1String("bluetooth"))
        return QStringLiteral("Bluetooth PAN");
    if (devType == QLatin1String("gadget"))
        return QStringLiteral("USB Gadget");
    if (devType == QLatin1String("bridge"))
        return QStringLiteral("Bridge");
    if (devType == QLatin1String("vlan"))
        return QStringLiteral("VLAN");
    if (devType == QLatin1String("bond"))
        return QStringLiteral("Bond");
    if (devType == QLatin1String("wireguard"))
        return QStringLiteral("WireGuard");
    if (tun)
        return arpType == arpHardwareEther ? QStringLiteral("TAP") : QStringLiteral("TUN");
    if (arpType == arpHardwareEther)
        return QStringLiteral("Ethernet");
    return QStringLiteral("Other");
}
