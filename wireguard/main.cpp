// wireguard-service --add CONF --port N --uid U
// The WireGuard engine of the client. Runs as root, started by vpn-service,
// which names the user whose client listens on the control port.
#include "engine.h"
#include "quitsignals.h"
#include "utils.h"

#include <QCoreApplication>
#include <QDir>

namespace {
int usage()
{
    fprintf(stderr, "usage: wireguard-service --add CONF --port N --uid U\n");
    return 64;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() != 6 || arguments.at(0) != QLatin1String("--add")
        || arguments.at(2) != QLatin1String("--port") || arguments.at(4) != QLatin1String("--uid"))
        return usage();
    bool ok = false;
    const uint port = arguments.at(3).toUInt(&ok);
    bool uidOk = false;
    const uint uid = arguments.at(5).toUInt(&uidOk);
    if (!ok || !uidOk || port == 0 || port > 65535 || arguments.at(1).isEmpty())
        return usage();

    Engine::Options options;
    options.configPath = arguments.at(1);
    options.port = static_cast<quint16>(port);
    options.uid = uid;
    const QString logFolder = Utils::logDataPath();
    if (QDir().mkpath(logFolder))
        options.logPath = logFolder + QStringLiteral("/wireguard-service.ring");
    if (qEnvironmentVariableIsSet("VPN_WG_HANDSHAKE_TIMEOUT_MS"))
        options.handshakeTimeoutMs = qEnvironmentVariableIntValue("VPN_WG_HANDSHAKE_TIMEOUT_MS");

    CommandRunner runner;
    Engine engine(options, &runner);
    QObject::connect(
        &engine, &Engine::finished, &application, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);

    // SIGTERM (from vpn-service), SIGINT and SIGHUP end the tunnel cleanly.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &engine, &Engine::stop);
    if (!quitSignals.watch())
        return 70;

    engine.start();
    return application.exec();
}
