// The vpn-service: runs the product's privileged programs for the client.
#include "accessrule.h"
#include "buildconfig.h"
#include "commandpolicy.h"
#include "processrunner.h"
#include "quitsignals.h"
#include "servicelog.h"
#include "serviceserver.h"
#include "stateowners.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>

#include <unistd.h>

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
    // The programs are ended and reported before the service goes.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &application, [](int signal) {
        qInfo().noquote() << QStringLiteral("VpnService: Signal %1, quitting").arg(signal);
        QCoreApplication::quit();
    });
    if (!quitSignals.watch())
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
