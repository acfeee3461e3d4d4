// Probing against real ICMP in a throwaway network namespace.
//
// Run as root, the binary creates the namespace "t-probe-<pid>" (loopback up,
// echo requests to 127.0.0.3 dropped by nftables, a resolv.conf that names a
// resolver on 127.0.0.1 inside it), runs itself inside it with
// `ip netns exec`, and removes the namespace again. Without root every case is
// skipped.

#include "echoresponder.h"
#include "multiping.h"
#include "nativeping.h"
#include "pingunix.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char namespaceVariable[] = "VPN_PROBING_NETNS";
const char unprivilegedVariable[] = "VPN_PROBING_UNPRIVILEGED";

// The kernel answers every loopback address but the one nftables drops.
const QString answering = QStringLiteral("127.0.0.2");
const QString silent = QStringLiteral("127.0.0.3");

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (!ok) {
        qWarning().noquote() << program << arguments.join(QLatin1Char(' ')) << "failed:" << process.readAll();
    }
    return ok;
}

bool writeSysctl(const QString &name, const QByteArray &value)
{
    QFile file(QStringLiteral("/proc/sys/") + name);
    return file.open(QIODevice::WriteOnly) && file.write(value) == value.size();
}

// Namespaces left behind by runs that were killed before their clean-up.
void removeStaleNamespaces()
{
    QProcess list;
    list.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("list")});
    list.waitForFinished(30000);
    const QStringList lines = QString::fromLocal8Bit(list.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString name = line.section(QLatin1Char(' '), 0, 0);
        if (!name.startsWith(QLatin1String("t-probe-"))) {
            continue;
        }
        const QString pid = name.mid(8);
        if (!QFileInfo::exists(QStringLiteral("/proc/") + pid)) {
            run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), name});
            QDir(QStringLiteral("/etc/netns/") + name).removeRecursively();
        }
    }
}

int runInThrowawayNamespace(int argc, char **argv)
{
    removeStaleNamespaces();
    const QString name = QStringLiteral("t-probe-%1").arg(QCoreApplication::applicationPid());
    const QString ip = QStringLiteral("ip");
    const QString etc = QStringLiteral("/etc/netns/") + name;

    bool ready = run(ip, {QStringLiteral("netns"), QStringLiteral("add"), name});
    int status = 1;
    if (ready) {
        QDir().mkpath(etc);
        QFile resolver(etc + QStringLiteral("/resolv.conf"));
        ready = resolver.open(QIODevice::WriteOnly) && resolver.write("nameserver 127.0.0.1\n") > 0;
        resolver.close();
        ready = ready
            && run(ip,
                   {QStringLiteral("-n"), name, QStringLiteral("link"), QStringLiteral("set"),
                    QStringLiteral("lo"), QStringLiteral("up")});
        const QStringList nft[] = {
            {QStringLiteral("add"), QStringLiteral("table"), QStringLiteral("ip"), QStringLiteral("probe")},
            {QStringLiteral("add chain ip probe input { type filter hook input priority 0; }")},
            {QStringLiteral("add rule ip probe input ip daddr %1 icmp type echo-request drop").arg(silent)},
        };
        for (const QStringList &command : nft) {
            ready = ready
                && run(ip,
                       QStringList {QStringLiteral("netns"), QStringLiteral("exec"), name,
                                    QStringLiteral("nft")}
                           + command);
        }
    }
    if (ready) {
        QStringList arguments {QStringLiteral("netns"), QStringLiteral("exec"), name,
                               QCoreApplication::applicationFilePath()};
        for (int i = 1; i < argc; ++i) {
            arguments.append(QString::fromLocal8Bit(argv[i]));
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(namespaceVariable), name);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(ip, arguments);
        child.waitForFinished(-1);
        status = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
    } else {
        qWarning("could not set up the network namespace %s", qPrintable(name));
    }
    run(ip, {QStringLiteral("netns"), QStringLiteral("del"), name});
    QDir(etc).removeRecursively();
    return status;
}

// A resolver on 127.0.0.1:53: "no such name" for every question, except names
// beginning with "silent", which it swallows.
class SwallowingResolver : public QObject
{
public:
    bool start()
    {
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] { answer(); });
        return m_socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 53);
    }
    QStringList questions;

private:
    void answer()
    {
        while (m_socket.hasPendingDatagrams()) {
            QHostAddress peer;
            quint16 port = 0;
            QByteArray query(int(m_socket.pendingDatagramSize()), '\0');
            m_socket.readDatagram(query.data(), query.size(), &peer, &port);
            QString name;
            int offset = 12;
            while (offset < query.size() && query.at(offset) != 0) {
                const int length = uchar(query[offset]);
                name += QString::fromLatin1(query.mid(offset + 1, length)) + QLatin1Char('.');
                offset += length + 1;
            }
            questions.append(name);
            if (name.startsWith(QLatin1String("silent")) || offset + 5 > query.size()) {
                continue;
            }
            QByteArray reply = query.left(offset + 5); // header and question
            reply[2] = char(0x81); // reply, recursion desired
            reply[3] = char(0x83); // recursion available, no such name
            for (int i = 6; i < 12; ++i) {
                reply[i] = 0;
            }
            m_socket.writeDatagram(reply, peer, port);
        }
    }
    QUdpSocket m_socket;
};

struct BatchResult
{
    QStringList data;
    qint64 elapsedMs = -1;
};

// Sends the batch and waits for its end, with the time from sending to lastRequestFinished.
BatchResult probeBatch(MultiPing &prober, const QStringList &addresses)
{
    BatchResult result;
    QElapsedTimer clock;
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    const auto connection = QObject::connect(&prober, &MultiPing::lastRequestFinished,
                                             [&] { result.elapsedMs = clock.elapsed(); });
    clock.start();
    prober.sendRequest(addresses);
    if (last.wait(15000)) {
        result.data = last.at(0).at(0).toStringList();
    }
    QObject::disconnect(connection);
    return result;
}

uint valueOf(const QString &entry)
{
    return entry.section(QLatin1Char(':'), -1).toUInt();
}

} // namespace

class TestProbingNamespace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void kernelRepliesOverRawSocket();
    void batchRankedByArrival();
    void replyForAnotherIdentifierIgnored_data();
    void replyForAnotherIdentifierIgnored();
    void limitEndsOnTime_data();
    void limitEndsOnTime();
    void backToBackBatchesMerge();
    void namesThatNeverResolve();
    void destroyedWhileProbing();
    void unprivilegedDatagramSocket_data();
    void unprivilegedDatagramSocket();
    void unprivilegedProbe();
};

void TestProbingNamespace::initTestCase()
{
    if (qEnvironmentVariableIsSet(unprivilegedVariable)) {
        return; // the unprivileged side of unprivilegedDatagramSocket
    }
    if (geteuid() != 0) {
        QSKIP("needs root: raw ICMP sockets and a network namespace");
    }
    QVERIFY2(qEnvironmentVariableIsSet(namespaceVariable), "runs only inside its throwaway namespace");
}

void TestProbingNamespace::init()
{
    if (qEnvironmentVariableIsSet(unprivilegedVariable)) {
        return;
    }
    QVERIFY(writeSysctl(QStringLiteral("net/ipv4/icmp_echo_ignore_all"), "0"));
    QVERIFY(writeSysctl(QStringLiteral("net/ipv4/ping_group_range"), "1 0"));
}

void TestProbingNamespace::kernelRepliesOverRawSocket()
{
    MultiPing prober;
    const BatchResult batch
        = probeBatch(prober, {QStringLiteral("127.0.0.1"), answering, QStringLiteral("127.0.0.1")});
    QCOMPARE(batch.data.size(), 3);
    for (const QString &entry : batch.data) {
        QVERIFY2(valueOf(entry) < 1000, qPrintable(entry));
    }
}

void TestProbingNamespace::batchRankedByArrival()
{
    QVERIFY(writeSysctl(QStringLiteral("net/ipv4/icmp_echo_ignore_all"), "1"));
    EchoResponder responder;
    responder.setBehaviour(QStringLiteral("127.0.0.11"), {20, true, false});
    responder.setBehaviour(QStringLiteral("127.0.0.12"), {40, true, false});
    responder.setBehaviour(QStringLiteral("127.0.0.13"), {0, false, false});
    QVERIFY(responder.start());

    MultiPing prober;
    QSignalSpy ranked(&prober, &MultiPing::requestFinished);
    // Sent slowest first: the list comes in order of arrival, not of sending.
    const BatchResult batch = probeBatch(
        prober, {QStringLiteral("127.0.0.13"), QStringLiteral("127.0.0.12"), QStringLiteral("127.0.0.11")});

    QCOMPARE(batch.data.size(), 3);
    QVERIFY2(batch.data.at(0).startsWith(QLatin1String("127.0.0.11:")), qPrintable(batch.data.join(' ')));
    QVERIFY2(batch.data.at(1).startsWith(QLatin1String("127.0.0.12:")), qPrintable(batch.data.join(' ')));
    QCOMPARE(batch.data.at(2), QStringLiteral("127.0.0.13:100000"));
    const uint fast = valueOf(batch.data.at(0));
    const uint slow = valueOf(batch.data.at(1));
    QVERIFY2(fast >= 20 && fast < 300, qPrintable(batch.data.join(' ')));
    QVERIFY2(slow >= 40 && slow < 320, qPrintable(batch.data.join(' ')));
    // The silent server ends the batch at its limit.
    QVERIFY2(batch.elapsedMs >= 1000 && batch.elapsedMs < 2500, qPrintable(QString::number(batch.elapsedMs)));

    QCOMPARE(ranked.count(), 3);
    QCOMPARE(ranked.at(0).at(0).toString(), QStringLiteral("127.0.0.11"));
    QCOMPARE(ranked.at(0).at(1).value<ushort>(), ushort(fast));
    QCOMPARE(ranked.at(1).at(0).toString(), QStringLiteral("127.0.0.12"));
    QCOMPARE(ranked.at(2).at(0).toString(), QStringLiteral("127.0.0.13"));
}

void TestProbingNamespace::replyForAnotherIdentifierIgnored_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("own reply follows") << true;
    QTest::newRow("only the foreign reply") << false;
}

void TestProbingNamespace::replyForAnotherIdentifierIgnored()
{
    QFETCH(bool, answer);
    QVERIFY(writeSysctl(QStringLiteral("net/ipv4/icmp_echo_ignore_all"), "1"));
    EchoResponder responder;
    responder.setBehaviour(QStringLiteral("127.0.0.14"), {30, answer, true});
    QVERIFY(responder.start());

    NativePing probe;
    QSignalSpy finished(&probe, &NativePing::finished);
    probe.start(QStringLiteral("127.0.0.14"), 1000, 1);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toBool(), answer);
    const uint value = finished.at(0).at(1).toUInt();
    if (answer) {
        QVERIFY2(value >= 30 && value < 1000, qPrintable(QString::number(value)));
    } else {
        QCOMPARE(value, PingUnix::failedValue);
    }
}

void TestProbingNamespace::limitEndsOnTime_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("300 ms") << 300;
    QTest::newRow("1000 ms") << 1000;
}

void TestProbingNamespace::limitEndsOnTime()
{
    QFETCH(int, limit);
    NativePing probe;
    QSignalSpy finished(&probe, &NativePing::finished);
    QElapsedTimer clock;
    qint64 elapsed = -1;
    connect(&probe, &NativePing::finished, this, [&] { elapsed = clock.elapsed(); });
    clock.start();
    probe.start(silent, limit, 1);
    QVERIFY(finished.wait(limit + 5000));
    QCOMPARE(finished.at(0).at(1).toUInt(), PingUnix::failedValue);
    // The probe ends about 10 ms after its limit; the margin covers a busy machine.
    QVERIFY2(elapsed >= limit && elapsed < limit + 400, qPrintable(QString::number(elapsed)));
}

void TestProbingNamespace::backToBackBatchesMerge()
{
    QVERIFY(writeSysctl(QStringLiteral("net/ipv4/icmp_echo_ignore_all"), "1"));
    EchoResponder responder;
    responder.setBehaviour(QStringLiteral("127.0.0.11"), {0, true, false});
    responder.setBehaviour(QStringLiteral("127.0.0.12"), {40, true, false});
    responder.setBehaviour(QStringLiteral("127.0.0.13"), {0, false, false});
    QVERIFY(responder.start());

    MultiPing prober;
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    prober.sendRequest(QStringList {QStringLiteral("127.0.0.11"), QStringLiteral("127.0.0.13")});
    QTRY_COMPARE(prober.results().size(), 1);
    // The first batch is still running (127.0.0.13 waits for its limit): this joins it.
    prober.sendRequest(QStringList {QStringLiteral("127.0.0.12")});
    QVERIFY(last.wait(5000));
    const QStringList data = last.at(0).at(0).toStringList();
    QCOMPARE(data.size(), 2);
    QVERIFY2(data.at(0).startsWith(QLatin1String("127.0.0.12:")), qPrintable(data.join(' ')));
    QCOMPARE(data.at(1), QStringLiteral("127.0.0.13:100000"));
    QVERIFY(!last.wait(300)); // one report only
}

void TestProbingNamespace::namesThatNeverResolve()
{
    SwallowingResolver resolver;
    QVERIFY(resolver.start());

    MultiPing prober;
    const QStringList hosts {QStringLiteral("127.0.0.1"),
                             QStringLiteral("gone.invalid"),
                             QStringLiteral("silent.invalid"),
                             QString(),
                             QStringLiteral("::1"),
                             QString(300, QLatin1Char('a'))};
    const BatchResult batch = probeBatch(prober, hosts);
    QCOMPARE(batch.data.size(), hosts.size());
    const QStringList answered = batch.data.filter(QRegularExpression(QStringLiteral("^127\\.0\\.0\\.1:")));
    QCOMPARE(answered.size(), 1);
    QVERIFY2(valueOf(answered.first()) < 1000, qPrintable(answered.first()));
    // The name the resolver never answers arrives last, after its lookup was given up
    // at the probe's limit rather than at the resolver's own time-outs (seconds).
    QCOMPARE(batch.data.last(), QStringLiteral("silent.invalid:100000"));
    QVERIFY2(batch.elapsedMs >= 1000 && batch.elapsedMs < 2500, qPrintable(QString::number(batch.elapsedMs)));
    for (const QString &host : hosts.mid(1)) {
        QVERIFY2(batch.data.contains(host + QStringLiteral(":100000")), qPrintable(host));
    }
    // The names went to the resolver; the texts that cannot be names did not.
    QVERIFY2(resolver.questions.contains(QStringLiteral("gone.invalid.")),
             qPrintable(resolver.questions.join(' ')));
    QVERIFY(resolver.questions.contains(QStringLiteral("silent.invalid.")));
    QCOMPARE(resolver.questions.filter(QStringLiteral("aaaa")).size(), 0);
}

void TestProbingNamespace::destroyedWhileProbing()
{
    QVERIFY(writeSysctl(QStringLiteral("net/ipv4/icmp_echo_ignore_all"), "1"));
    EchoResponder responder;
    responder.setBehaviour(QStringLiteral("127.0.0.13"), {0, false, false});
    responder.setBehaviour(QStringLiteral("127.0.0.15"), {0, false, false});
    QVERIFY(responder.start());

    auto *prober = new MultiPing;
    QSignalSpy last(prober, &MultiPing::lastRequestFinished);
    QSignalSpy ranked(prober, &MultiPing::requestFinished);
    prober->sendRequest(QStringList {QStringLiteral("127.0.0.13"), QStringLiteral("127.0.0.15")});
    QTRY_COMPARE(responder.requestsSeen(), 2); // both probes wait for their replies
    QElapsedTimer clock;
    clock.start();
    delete prober;
    // Running probes are cancelled rather than waited for to their limit.
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    QCoreApplication::processEvents();
    QCOMPARE(last.count(), 0);
    QCOMPARE(ranked.count(), 0);
}

void TestProbingNamespace::unprivilegedDatagramSocket_data()
{
    QTest::addColumn<QByteArray>("groupRange");
    QTest::addColumn<QString>("expectation");
    QTest::newRow("group admitted") << QByteArray("0 2147483647") << QStringLiteral("answer");
    QTest::newRow("group refused") << QByteArray("1 0") << QStringLiteral("fail");
}

void TestProbingNamespace::unprivilegedDatagramSocket()
{
    QFETCH(QByteArray, groupRange);
    QFETCH(QString, expectation);
    if (qEnvironmentVariableIsSet(unprivilegedVariable)) {
        QSKIP("the privileged side");
    }
    QVERIFY(writeSysctl(QStringLiteral("net/ipv4/ping_group_range"), groupRange));

    // A copy the unprivileged user can run, wherever the build tree lives.
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString copy = directory.filePath(QStringLiteral("probe-test"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
    const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
        | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(directory.path(), everyone));
    QVERIFY(QFile::setPermissions(copy, everyone));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(unprivilegedVariable), expectation);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                 QStringLiteral("--clear-groups"), copy, QStringLiteral("unprivilegedProbe")});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    QVERIFY2(output.contains("PASS   : TestProbingNamespace::unprivilegedProbe()"), output.constData());
}

void TestProbingNamespace::unprivilegedProbe()
{
    const QString expectation = qEnvironmentVariable(unprivilegedVariable);
    if (expectation.isEmpty()) {
        QSKIP("runs as the unprivileged side of unprivilegedDatagramSocket");
    }
    QVERIFY(geteuid() != 0);
    const int raw = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    QCOMPARE(raw, -1);

    MultiPing prober;
    const BatchResult batch = probeBatch(prober, {QStringLiteral("127.0.0.1"), answering, silent});
    QCOMPARE(batch.data.size(), 3);
    if (expectation == QLatin1String("fail")) {
        // No ICMP socket at all: every probe fails at once, none waits for its limit.
        for (const QString &entry : batch.data) {
            QCOMPARE(valueOf(entry), PingUnix::failedValue);
        }
        QVERIFY2(batch.elapsedMs < 900, qPrintable(QString::number(batch.elapsedMs)));
        return;
    }
    QVERIFY2(valueOf(batch.data.at(0)) < 1000 && valueOf(batch.data.at(1)) < 1000,
             qPrintable(batch.data.join(' ')));
    QCOMPARE(batch.data.at(2), silent + QStringLiteral(":100000"));

    // The kernel picks the identifier on sending: the next free port after the
    // last one it picked. Make sure the probe's own identifier is another one,
    // so that only a probe waiting for the kernel's identifier sees its reply.
    const int holder = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
    QVERIFY(holder >= 0);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    QCOMPARE(::bind(holder, reinterpret_cast<const sockaddr *>(&local), sizeof(local)), 0);
    socklen_t length = sizeof(local);
    QCOMPARE(::getsockname(holder, reinterpret_cast<sockaddr *>(&local), &length), 0);
    const quint16 kernelNext = quint16(ntohs(local.sin_port) + 1);
    if (quint16(PingUnix::pingIdent() + 1) == kernelNext) {
        PingUnix::pingIdent();
    }
    NativePing probe;
    QSignalSpy finished(&probe, &NativePing::finished);
    probe.start(QStringLiteral("127.0.0.1"), 1000, 1);
    QVERIFY(finished.wait(5000));
    ::close(holder);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QVERIFY(finished.at(0).at(1).toUInt() < 1000);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (geteuid() == 0 && !qEnvironmentVariableIsSet(namespaceVariable)) {
        return runInThrowawayNamespace(argc, argv);
    }
    TestProbingNamespace test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_probing_namespace.moc"
