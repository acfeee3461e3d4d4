#pragma once

#include "vpnclient.h"

#include <QAbstractSocket>

class TcpServer;
class VpnProcess;

// The client for WireGuard. It writes the engine's configuration from the
// account (readable by root only), asks the vpn-service to start the engine,
// and follows it on a local control connection where the engine reports its
// state and traffic and can be asked to terminate. The kill switch is not
// used with WireGuard: the engine's routing keeps all traffic in the tunnel.
class WireGuardClient : public VpnClient
{
    Q_OBJECT

public:
    explicit WireGuardClient(QObject *parent = nullptr);
    ~WireGuardClient() override;

    bool start() override;
    bool stop() override;
    bool supportsKillSwitch() const override { return false; }
    QString executableBaseName() const override;
    QString resourceFileName() const override;
    void updateConfigOptions(QString &config) override;
    bool updateConfigFile() override;
    QString configFilePath() const override { return m_configPath; }
    QString execPath() const override;

    void startUp();
    bool sendTermSignal() override;
    // A free configuration file name: base + ".conf", else base + N + ".conf" (N up to 999).
    static QString prepareEmptyConfigFile(const QString &basePath);

    // For tests: the control port (61976 in the product) and the user the engine runs as.
    void setControlPort(quint16 port) { m_controlPort = port; }
    quint16 controlPort() const { return m_controlPort; }
    void setControlPeerUid(uint uid);

    static constexpr quint16 defaultControlPort = 61976;

public slots:
    void onReadyReadDataFromManagementInterface();
    void onSocketError(QAbstractSocket::SocketError error);
    void onWireGuardLoggerLineReaded(const QString &line);
    void onWireGuardProcessFinished(int exitCode);
    void onWireGuardProcessStarted();

private slots:
    void onWireGuardProcessError(int status);

private:
    void log(const QString &text) const;

    VpnProcess *m_process;
    TcpServer *m_controlServer;
    QString m_errorText;
    QString m_configPath;
    quint16 m_controlPort = defaultControlPort;
    bool m_engineFailed = false;

    static int s_configCounter;
};
