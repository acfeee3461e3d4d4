#pragma once

#include "commandrunner.h"
#include "wgconfig.h"

#include <QObject>
#include <QProcess>
#include <functional>

// The WireGuard interface of one connection and everything set up around it:
// the interface (kernel WireGuard when the kernel has it, else wireguard-go),
// keys, peer and endpoint, the address, policy routing that sends all traffic
// through the tunnel while keeping the endpoint outside it (as wg-quick does),
// and the VPN's DNS servers. Every step taken is recorded, so tearDown()
// undoes exactly what was done, in reverse order, also after a partial setup.
class Tunnel : public QObject
{
    Q_OBJECT

public:
    using LogFunction = std::function<void(const QString &)>;

    Tunnel(CommandRunner *runner, LogFunction log, QObject *parent = nullptr);
    ~Tunnel() override;

    // Brings the tunnel up; false with error set on failure (the caller tears down).
    bool setUp(const WgConfig &config, QString &error);
    void tearDown();

    QString interfaceName() const { return m_name; }
    // Latest handshake (seconds since the epoch, 0 = none) and the traffic counters.
    bool readStatus(qint64 &latestHandshake, quint64 &received, quint64 &sent);

    static QString chooseInterfaceName(const std::function<bool(const QString &)> &taken);
    // The DNS tool beside the client: <appdir>/dns for an engine in <appdir>/wireguard/bin.
    static QString dnsToolPath();

    // The engine's own routing table and firewall mark, apart from those a
    // system WireGuard tunnel (wg-quick) takes by default (51820).
    static constexpr int routingTable = 61976;
    // The engine's policy rules carry these priorities, which mark them as its
    // own: it adds and removes only rules at these priorities, never a rule of
    // the same form that somebody else added. The suppress rule comes first.
    static constexpr int suppressRulePriority = 31976;
    static constexpr int markRulePriority = 31977;

    // The two rules, without "add" or "delete" and without the address family.
    static QStringList markRule();
    static QStringList suppressRule();

signals:
    // The user-space engine ended on its own.
    void engineLost(const QString &reason);

private:
    bool step(const QString &program, const QStringList &arguments, QString &error,
              const QByteArray &input = {});
    bool createInterface(QString &error);
    QString defaultDevice() const;
    void removeStaleRules();

    CommandRunner *m_runner;
    LogFunction m_log;
    QString m_name;
    QProcess *m_userspace = nullptr;
    bool m_tearingDown = false;
    // Undo steps, run last-in first-out.
    QList<QPair<QString, QStringList>> m_undo;
    QString m_savedSrcValidMark;
};
