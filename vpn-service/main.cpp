// The vpn-service: runs the product's privileged programs for the client.
#include "accessrule.h"
#include "buildconfig.h"
#include "commandpolicy.h"
#include "processrunner.h"
#include "servicelog.h"
#include "serviceserver.h"
#include "stateowners.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};
pid_t ownPid = 0;

void onSignal(int signal)
{
    // A child between fork and exec still has this handler: the signal is
    // its own, and must neither reach the pipe nor end the service.
    if (::getpid() != ownPid) {
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP end the event loop, so the programs are ended
// and reported before the service goes.
bool watchQuitSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, []() {
        char byte = 0;
        if (::read(signalPipe[0], &byte, 1) == 1)
            qInfo().noquote() << QStringLiteral("VpnService: Signal %1, quitting").arg(int(byte));
        QCoreApplication::quit();
    });
    ownPid = ::getpid();
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vpn-service"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(BuildConfig::version));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs the privileged programs of %1 for its client.")
                                         .arg(QString::fromUtf8(BuildConfig::title)));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("TCP port on 127.0.0.1."),
                                        QStringLiteral("port"), QStringLiteral("6457"));
    const QCommandLineOption logOption(QStringLiteral("log"), QStringLiteral("Log file."),
                                       QStringLiteral("file"), ServiceLog::defaultPath());
    // Who may use the service: root and this group's members, nobody else.
    const QCommandLineOption groupOption(
        QStringLiteral("allow-group"),
        QStringLiteral("The group whose members may use the service besides root (default: %1).")
            .arg(QString::fromUtf8(BuildConfig::brand)),
        QStringLiteral("group"), QString::fromUtf8(BuildConfig::brand));
    const QCommandLineOption stateOption(QStringLiteral("state-dir"),
                                         QStringLiteral("Root-only folder for the service's state."),
                                         QStringLiteral("folder"), QStringLiteral("/run/vpn-service"));
    parser.addOption(portOption);
    parser.addOption(logOption);
    parser.addOption(groupOption);
    parser.addOption(stateOption);
    parser.process(application);

    const QString logPath = parser.value(logOption);
    if (!ServiceLog::install(logPath))
        qWarning().noquote() << QStringLiteral("VpnService: Cannot write the log file '%1'").arg(logPath);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port == 0 || port > 65535) {
        qCritical().noquote()
            << QStringLiteral("VpnService: Invalid port '%1'").arg(parser.value(portOption));
        return 2;
    }

    qInfo().noquote() << QStringLiteral("VpnService: %1 vpn-service version '%2', process %3, directory '%4'")
                             .arg(QString::fromUtf8(BuildConfig::title),
                                  QCoreApplication::applicationVersion())
                             .arg(QCoreApplication::applicationPid())
                             .arg(QCoreApplication::applicationDirPath());
    if (::geteuid() != 0)
        qWarning().noquote() << QStringLiteral(
            "VpnService: Not running as root; the programs will lack rights");
    if (!watchQuitSignals())
        qWarning().noquote() << QStringLiteral("VpnService: Cannot watch the quit signals");

    StateOwners owners(parser.value(stateOption) + QStringLiteral("/owners"));
    ProcessRunner runner;
    runner.setStateOwners(&owners);
    ServiceServer server(CommandPolicy(QCoreApplication::applicationDirPath()),
                         AccessRule(parser.value(groupOption)), &runner);
    if (!server.listen(static_cast<quint16>(port))) {
        qCritical().noquote() << QStringLiteral("VpnService: Cannot listen on 127.0.0.1:%1: %2")
                                     .arg(port)
                                     .arg(server.errorString());
        return 1;
    }
    const int result = application.exec();
    runner.shutdown(ProcessRunner::killGraceTime);
    qInfo().noquote() << QStringLiteral("VpnService: Stopped");
    return result;
}
