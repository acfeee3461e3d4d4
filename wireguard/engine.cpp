#include "engine.h"

#include <QDebug>
#include <QFile>

Engine::Engine(const Options &options, CommandRunner *runner, QObject *parent)
    : QObject(parent),
      m_options(options),
      m_runner(runner),
      m_tunnel(runner, [this](const QString &text) { log(text); })
{
    setObjectName(QStringLiteral("WireGuardEngine"));
    m_statusTimer.setInterval(m_options.statusIntervalMs);
    m_handshakeTimer.setSingleShot(true);
    m_handshakeTimer.setInterval(m_options.handshakeTimeoutMs);
    connect(&m_statusTimer, &QTimer::timeout, this, &Engine::onStatusTimer);
    connect(&m_handshakeTimer, &QTimer::timeout, this,
            [this]() { fail(QStringLiteral("No handshake with the server")); });
    connect(&m_control, &ControlChannel::terminateRequested, this, &Engine::stop);
    connect(&m_control, &ControlChannel::lost, this,
            [this]() { fail(QStringLiteral("Control connection lost")); });
    connect(&m_tunnel, &Tunnel::engineLost, this, &Engine::fail);
}

void Engine::log(const QString &text)
{
    qInfo().noquote() << objectName() + ": " + text;
    m_ringLog.write(text);
}

void Engine::start()
{
    if (!m_options.logPath.isEmpty() && !m_ringLog.open(m_options.logPath))
        qWarning().noquote() << objectName() + ": Cannot write log " + m_options.logPath;
    log(QStringLiteral("Starting with '%1', control port %2, user %3")
            .arg(m_options.configPath, QString::number(m_options.port), QString::number(m_options.uid)));

    QString controlError;
    if (!m_control.connectTo(m_options.port, m_options.uid, 5000, &controlError)) {
        log(controlError);
        m_done = true;
        emit finished(2);
        return;
    }

    QFile file(m_options.configPath);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("Cannot read configuration file"));
        return;
    }
    WgConfig config;
    QString error;
    if (!WgConfig::parse(file.read(64 * 1024 + 1), config, error)) {
        fail(error);
        return;
    }
    if (!m_tunnel.setUp(config, error)) {
        fail(error);
        return;
    }
    log(QStringLiteral("Interface %1 up, endpoint %2").arg(m_tunnel.interfaceName(), config.endpoint()));
    m_handshakeTimer.start();
    m_statusTimer.start();
    onStatusTimer();
}

void Engine::onStatusTimer()
{
    if (m_done)
        return;
    qint64 handshake = 0;
    quint64 received = 0;
    quint64 sent = 0;
    if (!m_tunnel.readStatus(handshake, received, sent))
        return;
    if (!m_connected && handshake > 0) {
        m_connected = true;
        m_handshakeTimer.stop();
        log(QStringLiteral("Handshake completed"));
        m_control.sendState(QStringLiteral("CONNECTED"));
    }
    m_control.sendByteCount(received, sent);
}

void Engine::fail(const QString &message)
{
    if (m_done)
        return;
    m_done = true;
    m_statusTimer.stop();
    m_handshakeTimer.stop();
    log(QStringLiteral("Error: ") + message);
    m_control.sendError(message);
    m_tunnel.tearDown();
    emit finished(1);
}

void Engine::stop()
{
    if (m_done)
        return;
    m_done = true;
    m_statusTimer.stop();
    m_handshakeTimer.stop();
    log(QStringLiteral("Stop requested"));
    m_tunnel.tearDown();
    m_control.sendState(QStringLiteral("DISCONNECTED"));
    log(QStringLiteral("Stopped"));
    emit finished(0);
}
