#include "tunnel.h"

#include "systemcommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QThread>

namespace {
const QString ip = QStringLiteral("ip");
const QString wg = QStringLiteral("wg");
const QString srcValidMark = QStringLiteral("/proc/sys/net/ipv4/conf/all/src_valid_mark");
const QString userspaceSocketFolder = QStringLiteral("/var/run/wireguard");

bool ipv6Enabled()
{
    QFile file(QStringLiteral("/proc/sys/net/ipv6/conf/all/disable_ipv6"));
    return file.open(QIODevice::ReadOnly) && file.readAll().trimmed() == "0";
}

QString readSysctl(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
}

bool writeSysctl(const QString &path, const QString &value)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(value.toLatin1()) > 0;
}
} // namespace

Tunnel::Tunnel(CommandRunner *runner, LogFunction log, QObject *parent)
    : QObject(parent), m_runner(runner), m_log(std::move(log))
{ }

Tunnel::~Tunnel()
{
    tearDown();
}

QString Tunnel::chooseInterfaceName(const std::function<bool(const QString &)> &taken)
{
    // Names must be unique per machine, not only per namespace: wireguard-go's
    // control sockets live in one folder shared by every namespace.
    for (int i = 0; i < 1000; ++i) {
        const QString name = QStringLiteral("vpnwg%1").arg(i);
        if (!taken(name))
            return name;
    }
    return QString();
}

QString Tunnel::dnsToolPath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../../dns"));
}

bool Tunnel::step(const QString &program, const QStringList &arguments, QString &error,
                  const QByteArray &input)
{
    const CommandRunner::Result result = m_runner->run(program, arguments, input);
    m_log(QStringLiteral("%1 %2: %3%4")
              .arg(program, arguments.join(QLatin1Char(' ')),
                   result.ok ? QStringLiteral("ok") : QStringLiteral("failed"),
                   result.output.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(result.output)));
    if (!result.ok)
        error = QStringLiteral("%1 %2 failed").arg(program, arguments.value(0));
    return result.ok;
}

bool Tunnel::createInterface(QString &error)
{
    m_name = chooseInterfaceName([](const QString &name) {
        return QFileInfo::exists(QStringLiteral("/sys/class/net/") + name)
            || QFileInfo::exists(userspaceSocketFolder + QLatin1Char('/') + name + QStringLiteral(".sock"));
    });
    if (m_name.isEmpty()) {
        error = QStringLiteral("No free interface name");
        return false;
    }

    const CommandRunner::Result kernel = m_runner->run(ip,
                                                       {QStringLiteral("link"), QStringLiteral("add"), m_name,
                                                        QStringLiteral("type"), QStringLiteral("wireguard")});
    if (kernel.ok) {
        m_log(QStringLiteral("Created kernel WireGuard interface %1").arg(m_name));
        m_undo.append({ip, {QStringLiteral("link"), QStringLiteral("delete"), m_name}});
        return true;
    }

    m_log(QStringLiteral("Kernel WireGuard not available (%1), starting wireguard-go").arg(kernel.output));
    m_userspace = new QProcess(this);
    m_userspace->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_userspace, &QProcess::readyRead, this, [this]() {
        const QStringList lines
            = QString::fromLocal8Bit(m_userspace->readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines)
            m_log(QStringLiteral("wireguard-go: ") + line.trimmed());
    });
    connect(m_userspace, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, [this](int code) {
        if (!m_tearingDown)
            emit engineLost(QStringLiteral("wireguard-go ended with code %1").arg(code));
    });
    // The parent-death signal ends wireguard-go, and with it the interface,
    // even when this engine is killed without a chance to tear down.
    m_userspace->start(QStringLiteral("setpriv"),
                       {QStringLiteral("--pdeathsig"), QStringLiteral("TERM"), QStringLiteral("wireguard-go"),
                        QStringLiteral("-f"), m_name});
    if (!m_userspace->waitForStarted(5000)) {
        error = QStringLiteral("Cannot start wireguard-go");
        return false;
    }
    // Ready when the interface and its control socket exist.
    QElapsedTimer timer;
    timer.start();
    const QString socket = userspaceSocketFolder + QLatin1Char('/') + m_name + QStringLiteral(".sock");
    while (!(QFileInfo::exists(QStringLiteral("/sys/class/net/") + m_name) && QFileInfo::exists(socket))) {
        if (m_userspace->state() != QProcess::Running || timer.elapsed() > 5000) {
            error = QStringLiteral("wireguard-go did not create the interface");
            return false;
        }
        QThread::msleep(20);
    }
    m_log(QStringLiteral("Created user-space WireGuard interface %1").arg(m_name));
    return true;
}

QString Tunnel::defaultDevice() const
{
    const CommandRunner::Result routes = m_runner->run(
        ip,
        {QStringLiteral("-4"), QStringLiteral("route"), QStringLiteral("show"), QStringLiteral("default")});
    static const QRegularExpression dev(QStringLiteral("\\bdev (\\S+)"));
    const QRegularExpressionMatch match = dev.match(routes.output);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("default");
}

bool Tunnel::setUp(const WgConfig &config, QString &error)
{
    const QString userDevice = defaultDevice();
    if (!createInterface(error))
        return false;

    // Keys, peer and endpoint in one transaction; the key never appears on a command line.
    QByteArray wgConfig = "[Interface]\nPrivateKey = " + config.privateKey.toLatin1() + "\nFwMark = "
        + QByteArray::number(routingTable) + "\n\n[Peer]\nPublicKey = " + config.peerPublicKey.toLatin1()
        + "\nAllowedIPs = " + config.allowedIps.join(QStringLiteral(", ")).toLatin1()
        + "\nEndpoint = " + config.endpoint().toLatin1() + "\n";
    if (!config.presharedKey.isEmpty())
        wgConfig += "PresharedKey = " + config.presharedKey.toLatin1() + "\n";
    if (config.persistentKeepalive > 0)
        wgConfig += "PersistentKeepalive = " + QByteArray::number(config.persistentKeepalive) + "\n";
    if (!step(wg, {QStringLiteral("setconf"), m_name, QStringLiteral("/dev/stdin")}, error, wgConfig))
        return false;

    const bool v6Address = config.address.contains(QLatin1Char(':'));
    if (!step(ip,
              {v6Address ? QStringLiteral("-6") : QStringLiteral("-4"), QStringLiteral("address"),
               QStringLiteral("add"), config.address, QStringLiteral("dev"), m_name},
              error))
        return false;
    if (!step(ip,
              {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("mtu"), QStringLiteral("1420"),
               QStringLiteral("up"), QStringLiteral("dev"), m_name},
              error))
        return false;

    const QString table = QString::number(routingTable);
    const bool v6 = ipv6Enabled();
    removeStaleRules();
    for (const QString &prefix : config.allowedIps) {
        const bool isV6 = prefix.contains(QLatin1Char(':'));
        const QString family = isV6 ? QStringLiteral("-6") : QStringLiteral("-4");
        if (isV6 && !v6) {
            m_log(QStringLiteral("IPv6 is disabled here; %1 needs no route").arg(prefix));
            continue;
        }
        const bool everything = prefix == QLatin1String("0.0.0.0/0") || prefix == QLatin1String("::/0");
        if (!everything) {
            if (!step(ip,
                      {family, QStringLiteral("route"), QStringLiteral("add"), prefix, QStringLiteral("dev"),
                       m_name},
                      error))
                return false;
            continue;
        }
        // Everything through the tunnel except the tunnel's own packets (fwmark),
        // which keep the main table and so reach the endpoint directly.
        if (!step(ip,
                  {family, QStringLiteral("route"), QStringLiteral("add"), prefix, QStringLiteral("dev"),
                   m_name, QStringLiteral("table"), table},
                  error))
            return false;
        for (const QStringList &rule : {markRule(), suppressRule()}) {
            if (!step(ip, QStringList {family, QStringLiteral("rule"), QStringLiteral("add")} + rule, error))
                return false;
            m_undo.append(
                {ip, QStringList {family, QStringLiteral("rule"), QStringLiteral("delete")} + rule});
        }
        if (!isV6 && m_savedSrcValidMark.isEmpty()) {
            m_savedSrcValidMark = readSysctl(srcValidMark);
            writeSysctl(srcValidMark, QStringLiteral("1"));
        }
    }

    if (!config.dns.isEmpty()) {
        const QString tool = dnsToolPath();
        if (!QFileInfo(tool).isExecutable()) {
            m_log(QStringLiteral("DNS tool '%1' not found, DNS servers left unchanged").arg(tool));
        } else {
            QStringList v4;
            QStringList v6list;
            for (const QString &server : config.dns)
                (server.contains(QLatin1Char(':')) ? v6list : v4) << server;
            const QString entry
                = QStringLiteral("%1@%2,%3")
                      .arg(userDevice, v4.join(QLatin1Char(',')), v6list.join(QLatin1Char(',')));
            m_undo.append({tool, {QStringLiteral("reset")}});
            if (!step(tool, {QStringLiteral("vpn"), entry}, error))
                return false;
        }
    }
    return true;
}

QStringList Tunnel::markRule()
{
    const QString table = QString::number(routingTable);
    return {QStringLiteral("priority"),
            QString::number(markRulePriority),
            QStringLiteral("not"),
            QStringLiteral("fwmark"),
            table,
            QStringLiteral("table"),
            table};
}

QStringList Tunnel::suppressRule()
{
    return {QStringLiteral("priority"), QString::number(suppressRulePriority),   QStringLiteral("table"),
            QStringLiteral("main"),     QStringLiteral("suppress_prefixlength"), QStringLiteral("0")};
}

void Tunnel::removeStaleRules()
{
    // An engine that was killed leaves its two rules behind; one engine runs per
    // network namespace, so rules at its priorities are always an earlier run's.
    // Naming the priority keeps a delete from taking any other rule of that form.
    for (const QString &family : {QStringLiteral("-4"), QStringLiteral("-6")}) {
        for (const QStringList &rule : {markRule(), suppressRule()}) {
            for (int i = 0; i < 16; ++i) {
                if (!m_runner
                         ->run(ip,
                               QStringList {family, QStringLiteral("rule"), QStringLiteral("delete")} + rule)
                         .ok)
                    break;
                m_log(QStringLiteral("Removed a rule left by an earlier run: %1")
                          .arg(rule.join(QLatin1Char(' '))));
            }
        }
    }
}

void Tunnel::tearDown()
{
    if (m_tearingDown)
        return;
    m_tearingDown = true;
    QString ignored;
    while (!m_undo.isEmpty()) {
        const QPair<QString, QStringList> undo = m_undo.takeLast();
        step(undo.first, undo.second, ignored);
    }
    if (!m_savedSrcValidMark.isEmpty()) {
        writeSysctl(srcValidMark, m_savedSrcValidMark);
        m_savedSrcValidMark.clear();
    }
    if (m_userspace && m_userspace->state() != QProcess::NotRunning) {
        // wireguard-go removes its interface and socket when it ends.
        m_userspace->terminate();
        if (!m_userspace->waitForFinished(3000)) {
            m_userspace->kill();
            m_userspace->waitForFinished(1000);
        }
        m_log(QStringLiteral("wireguard-go stopped"));
    }
    if (!m_name.isEmpty() && QFileInfo::exists(QStringLiteral("/sys/class/net/") + m_name))
        step(ip, {QStringLiteral("link"), QStringLiteral("delete"), m_name}, ignored);
    m_tearingDown = false;
}

bool Tunnel::readStatus(qint64 &latestHandshake, quint64 &received, quint64 &sent)
{
    if (m_name.isEmpty())
        return false;
    const CommandRunner::Result dump
        = m_runner->run(wg, {QStringLiteral("show"), m_name, QStringLiteral("dump")});
    if (!dump.ok)
        return false;
    // First line: the interface; then one line per peer:
    // public-key preshared-key endpoint allowed-ips latest-handshake rx tx keepalive
    const QStringList lines = dump.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() < 2)
        return false;
    const QStringList fields = lines.at(1).split(QLatin1Char('\t'));
    if (fields.size() < 7)
        return false;
    latestHandshake = fields.at(4).toLongLong();
    received = fields.at(5).toULongLong();
    sent = fields.at(6).toULongLong();
    return true;
}
