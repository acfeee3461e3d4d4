#pragma once

#include "commandrunner.h"
#include "controlchannel.h"
#include "ringlog.h"
#include "tunnel.h"

#include <QObject>
#include <QTimer>

// One run of the engine: connect to the client's control port, read and check
// the configuration, bring the tunnel up, report the first handshake and the
// traffic every second, and tear everything down on a request, a signal, a
// lost control connection or any failure. finished(code) ends the program:
// 0 after a requested stop, non-zero after a failure.
class Engine : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString configPath;
        quint16 port = 0;
        // The user whose client the engine serves.
        uint uid = 0;
        QString logPath;
        int handshakeTimeoutMs = 30000;
        int statusIntervalMs = 1000;
    };

    Engine(const Options &options, CommandRunner *runner, QObject *parent = nullptr);

    void start();
    // Requested stop (control request or SIGTERM): tear down, report, exit 0.
    void stop();

signals:
    void finished(int exitCode);

private:
    void fail(const QString &message);
    void onStatusTimer();
    void log(const QString &text);

    Options m_options;
    CommandRunner *m_runner;
    RingLog m_ringLog;
    ControlChannel m_control;
    Tunnel m_tunnel;
    QTimer m_statusTimer;
    QTimer m_handshakeTimer;
    bool m_connected = false;
    bool m_done = false;
};
