#pragma once

#include "vpnclient.h"

#include <QString>

class QTimer;
class Stunnel;
class TcpServer;
class VpnProcess;

// The client of the OpenVPN protocols (UDP, TCP and Stealth). OpenVPN runs as
// root through the vpn-service and is followed entirely through its
// management interface: the client listens on 127.0.0.1, OpenVPN connects
// (--management-client), asks for the credentials, and reports its states,
// the pushed options and the traffic counters. For Stealth a local stunnel is
// started first and OpenVPN connects through it.
class OpenVpnClient : public VpnClient
{
    Q_OBJECT

public:
    explicit OpenVpnClient(QObject *parent = nullptr);
    ~OpenVpnClient() override;

    bool start() override;
    bool stop() override;
    QString executableBaseName() const override;
    QString resourceFileName() const override;
    void updateConfigOptions(QString &config) override;
    QString execPath() const override;

    void startUp();
    bool sendTermSignal() override;
    bool parsePushReply(const QString &line);
    bool parseAssignIpLine(const QString &line);
    void sendByteCount();
    void sendInitialData();
    void sendUserName();
    void sendPassword();
    void openVpnStateSigTermHandler();

    QString internalIp() const { return m_internalIp; }
    QString errorText() const { return m_errorText; }

    // The management interface's port (61973) and the user OpenVPN runs as
    // (root); tests use a free port and their own user.
    void setManagementPort(quint16 port) { m_managementPort = port; }
    quint16 managementServerPort() const;
    void setManagementPeerUid(uint uid);

    static QString openVpnProtocolToString(NetworkProtocol protocol, bool lowerCase = false);

    static constexpr quint16 defaultManagementPort = 61973;
    static constexpr int exitTimeout = 3000;

public slots:
    void onOpenVpnProcessFinished(int exitCode);
    void onOpenVpnProcessStarted();
    void onReadyReadDataFromManagementInterface();
    void onStunnelStarted(bool success);
    void openVpnStateSigTermHandlerTimerEvent();

private slots:
    void onOpenVpnProcessError(int status);

private:
    void handleManagementLine(const QString &line);
    void readByteCount(const QString &line);
    void writeManagement(const QByteArray &text);
    void log(const QString &text) const;

    VpnProcess *m_process = nullptr;
    QTimer *m_exitTimer = nullptr;
    Stunnel *m_stunnel = nullptr;
    TcpServer *m_managementServer = nullptr;
    QString m_errorText;
    QString m_internalIp;
    quint16 m_managementPort = defaultManagementPort;
};
