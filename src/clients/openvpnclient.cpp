#include "openvpnclient.h"

#include "env.h"
#include "pushreplymessage.h"
#include "stunnel.h"
#include "tcpserver.h"
#include "utils.h"
#include "vpnprocess.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QHostAddress>
#include <QTimer>

// The OpenVPN templates live in a resource file of this library; a static
// library's resources must be registered explicitly.
static void initOpenVpnTemplates()
{
    Q_INIT_RESOURCE(openvpn_templates);
}

namespace {
const QString connectedMarker = QStringLiteral("CONNECTED,SUCCESS");
const QString processTag = QStringLiteral("openvpn");
const QString exitMarker = QStringLiteral("EXITING,SIGTERM");
const QString managementHost = QStringLiteral("127.0.0.1");
const QString logPrefix = QStringLiteral("Management: ");

// OpenVPN 2.6 announces version 5 of the interface; every version since 3 speaks the same dialog.
const QString greeting = QStringLiteral(">INFO:OpenVPN Management Interface Version");
const QString needCredentials = QStringLiteral(">PASSWORD:Need 'Auth' username/password");
const QString userNameEntered = QStringLiteral("SUCCESS: 'Auth' username entered");
const QString verificationFailed = QStringLiteral(">PASSWORD:Verification Failed");
const QString pushReply = QStringLiteral("PUSH_REPLY");
const QString assignIp = QStringLiteral("ASSIGN_IP");
const QString stateLine = QStringLiteral(">STATE");
const QString byteCount = QStringLiteral(">BYTECOUNT");
const QString byteCountValues = QStringLiteral(">BYTECOUNT:");

// The management interface is a line protocol: a credential with a line
// break or another control character would end the command early and start
// a command of its own.
QString withoutControlCharacters(const QString &text)
{
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f)
            clean += c;
    }
    return clean;
}
} // namespace

OpenVpnClient::OpenVpnClient(QObject *parent)
    : VpnClient(parent),
      m_process(new VpnProcess(processTag, this)),
      m_exitTimer(new QTimer(this)),
      m_stunnel(new Stunnel(this)),
      m_managementServer(new TcpServer(this))
{
    initOpenVpnTemplates();
    setObjectName(QStringLiteral("OpenVpnClient"));
    connect(m_process, &VpnProcess::started, this, &OpenVpnClient::onOpenVpnProcessStarted);
    connect(m_process, &VpnProcess::finished, this, &OpenVpnClient::onOpenVpnProcessFinished);
    // A refused or failed start is the end of the attempt, not an endless "Connecting".
    connect(m_process, &VpnProcess::error, this, &OpenVpnClient::onOpenVpnProcessError);
    connect(m_managementServer, &TcpServer::readyRead, this,
            &OpenVpnClient::onReadyReadDataFromManagementInterface);
    connect(m_stunnel, &Stunnel::started, this, &OpenVpnClient::onStunnelStarted);
    connect(m_exitTimer, &QTimer::timeout, this, &OpenVpnClient::openVpnStateSigTermHandlerTimerEvent);
}

OpenVpnClient::~OpenVpnClient()
{
    endOnDestruction(m_process);
}

QString OpenVpnClient::openVpnProtocolToString(NetworkProtocol protocol, bool lowerCase)
{
    QString name;
    switch (protocol) {
    case NetworkProtocol::UDP:
        name = QStringLiteral("UDP");
        break;
    case NetworkProtocol::TCP:
        name = QStringLiteral("TCP");
        break;
    case NetworkProtocol::Stealth:
        name = QStringLiteral("Stealth");
        break;
    case NetworkProtocol::WireGuard:
        break;
    }
    return lowerCase ? name.toLower() : name;
}

QString OpenVpnClient::executableBaseName() const
{
    return processTag;
}

QString OpenVpnClient::resourceFileName() const
{
    switch (networkProtocol()) {
    case NetworkProtocol::UDP:
    case NetworkProtocol::TCP:
        return QStringLiteral(":/resources/config/general.ovpn");
    case NetworkProtocol::Stealth:
        return QStringLiteral(":/resources/config/stunnel.ovpn");
    case NetworkProtocol::WireGuard:
        break;
    }
    qCritical().noquote() << objectName() + QStringLiteral(": Unknown protocol");
    return QString();
}

QString OpenVpnClient::execPath() const
{
    return QCoreApplication::applicationDirPath()
        + QStringLiteral("/%1/bin/%2").arg(processTag, Utils::platformExecutable(processTag, false));
}

void OpenVpnClient::updateConfigOptions(QString &config)
{
    const ConnectionData data = connectionData();
    if (data.networkProtocol() != NetworkProtocol::Stealth) {
        config.replace(QStringLiteral("<SERVER>"), data.server());
        config.replace(QStringLiteral("<PROTOCOL>"), openVpnProtocolToString(data.networkProtocol(), true));
        config.replace(QStringLiteral("<PORT>"), QString::number(data.port()));
    }

    QStringList options;
    options << QStringLiteral("verb %1").arg(Env::debugMode() ? 6 : 3);
    if (data.networkProtocol() == NetworkProtocol::UDP)
        options << QStringLiteral("mute-replay-warnings") << QStringLiteral("replay-window 256");
    if (!data.ipv6Enabled()) {
        options << QStringLiteral("pull-filter ignore ifconfig-ipv6")
                << QStringLiteral("pull-filter ignore route-ipv6")
                << QStringLiteral("pull-filter ignore 'redirect-gateway ipv6'");
    }
    replaceOptions(options, config);
}

bool OpenVpnClient::start()
{
    m_exitTimer->stop();
    m_errorText.clear();
    stop();

    const QString server = connectionData().server();
    if (server.isEmpty()) {
        m_errorText = tr("OpenVPN server is empty!");
    } else if (!QFile::exists(execPath())) {
        m_errorText = QStringLiteral("OpenVPN executable '%1' does not exists").arg(execPath());
    } else {
        if (networkProtocol() == NetworkProtocol::Stealth) {
            if (!m_stunnel->start(server))
                qCritical().noquote()
                    << objectName() + QStringLiteral(": Critical error, can't start Stealth mode properly");
        } else {
            startUp();
        }
        return true;
    }
    qCritical().noquote() << objectName() + QStringLiteral(": ") + m_errorText;
    setConnectionState(ConnectionState::Id::Error, m_errorText, false);
    return false;
}

void OpenVpnClient::onStunnelStarted(bool success)
{
    if (!success) {
        qCritical().noquote() << objectName()
                + QStringLiteral(": Critical error, can't start Stealth mode properly");
        return;
    }
    // stunnel repeats its report when it reloads; OpenVPN already runs then.
    if (m_process->state() != VpnProcess::NotRunning)
        return;
    startUp();
}

void OpenVpnClient::startUp()
{
    if (!updateConfigFile())
        return;
    startIpv6SupportService();
    clearStopRequested();
    m_internalIp.clear();

    const QString logPath = logFilePath();
    const QStringList arguments = {execPath(),
                                   QStringLiteral("--config"),
                                   configFilePath(),
                                   QStringLiteral("--management"),
                                   managementHost,
                                   QString::number(m_managementPort),
                                   QStringLiteral("--management-query-passwords"),
                                   QStringLiteral("--management-client"),
                                   QStringLiteral("--log-append"),
                                   logPath};
    if (QFile::exists(logPath))
        Utils::appendSeparatorLine(logPath);
    else
        Utils::createEmptyFile(logPath);

    m_managementServer->start(managementHost, m_managementPort);
    setConnectionState(ConnectionState::Id::Connecting);
    m_process->start(arguments);
}

bool OpenVpnClient::stop()
{
    endEngine(m_process);
    if (networkProtocol() == NetworkProtocol::Stealth)
        m_stunnel->stop();
    setDisconnectingUnlessEnding();
    return true;
}

bool OpenVpnClient::sendTermSignal()
{
    if (!m_managementServer->isOpen())
        return false;
    const bool sent = m_managementServer->write("signal SIGTERM\r\n") > 0;
    log(QStringLiteral("Send TERM signal, status: ") + Utils::boolString(sent));
    return sent;
}

void OpenVpnClient::openVpnStateSigTermHandler()
{
    log(QStringLiteral("OpenVPN process is exiting, waiting for notification.."));
    m_exitTimer->start(exitTimeout);
}

void OpenVpnClient::openVpnStateSigTermHandlerTimerEvent()
{
    // The service reports the end of OpenVPN; this is the fallback when it does not.
    log(QStringLiteral("Timeout while waiting for notification from openvpn process.."));
    const bool running = vpnProcessIsRunning();
    log(QStringLiteral("Checking if openvpn process is running: %1").arg(Utils::boolString(running)));
    if (running)
        m_process->kill();
    onOpenVpnProcessFinished(0);
}

void OpenVpnClient::onOpenVpnProcessStarted()
{
    // OpenVPN makes itself known through the management connection; only the
    // process the service started for this client is served there.
    m_managementServer->setExpectedPeerProcess(m_process->processId());
}

void OpenVpnClient::onOpenVpnProcessError(int status)
{
    removeConfigFile();
    m_managementServer->stop();
    if (destroying())
        return;
    m_errorText = tr("OpenVPN could not be started (status %1)").arg(status);
    qCritical().noquote() << objectName() + QStringLiteral(": ") + m_errorText;
    setConnectionState(ConnectionState::Id::Error, m_errorText, true);
}

void OpenVpnClient::onOpenVpnProcessFinished(int exitCode)
{
    removeConfigFile();
    m_exitTimer->stop();
    // The next attempt listens again; no stale peer may stay connected.
    m_managementServer->stop();
    reportEngineEnd(exitCode, m_errorText);
}

void OpenVpnClient::onReadyReadDataFromManagementInterface()
{
    // Only whole lines are handled; a blank line is skipped, not the end of the pass.
    for (QString line = m_managementServer->readLine(); !line.isEmpty();
         line = m_managementServer->readLine()) {
        const QString simplified = line.simplified();
        if (!simplified.isEmpty())
            handleManagementLine(simplified);
        if (!m_managementServer->isOpen())
            break;
    }
}

void OpenVpnClient::handleManagementLine(const QString &line)
{
    if (Env::debugMode())
        log(QStringLiteral("[Extended log: %1]").arg(line));
    if (!line.contains(byteCount))
        log(logPrefix + line);

    if (line.contains(greeting)) {
        sendInitialData();
    } else if (line.startsWith(needCredentials)) {
        sendUserName();
    } else if (line.startsWith(userNameEntered)) {
        sendPassword();
    } else if (line.startsWith(verificationFailed)) {
        m_errorText = tr("Error: Wrong Username/Password");
        qCritical().noquote() << objectName() + QStringLiteral(": ") + m_errorText;
        setReconnectOnError(false);
        setConnectionState(ConnectionState::Id::Error, m_errorText, true);
    } else if (parsePushReply(line)) {
        return;
    } else if (m_internalIp.isEmpty() && line.contains(assignIp) && line.contains(stateLine)
               && !line.contains(QStringLiteral("MANAGEMENT")) && parseAssignIpLine(line)) {
        return;
    } else if (line.startsWith(stateLine) && line.contains(connectedMarker)) {
        sendByteCount();
        setConnectionState(ConnectionState::Id::Connected);
        return;
    } else if (line.startsWith(stateLine) && line.contains(exitMarker)) {
        openVpnStateSigTermHandler();
        return;
    }
    readByteCount(line);
}

void OpenVpnClient::readByteCount(const QString &line)
{
    const int position = line.lastIndexOf(byteCountValues);
    if (position < 0)
        return;
    const QStringList values = line.mid(position + byteCountValues.size()).split(QLatin1Char(','));
    const quint64 received = values.value(0).trimmed().toULongLong();
    const quint64 sent = values.value(1).trimmed().toULongLong();
    setConnectionStatistics(ConnectionStatistics(received, sent));
}

bool OpenVpnClient::parsePushReply(const QString &line)
{
    const int position = line.indexOf(pushReply);
    if (position < 0)
        return false;
    QString reply = line.mid(position + pushReply.size()).simplified();
    if (reply.endsWith(QLatin1Char('\'')))
        reply.chop(1);

    QString ipv4;
    QString ipv6;
    PushReplyMessage(reply).dnsServerAddresses(ipv4, ipv6);
    if (!connectionData().ipv6Enabled())
        ipv6.clear();
    // A server that pushes only an IPv4 DNS server still gets its DNS used;
    // otherwise the system's own DNS would stay in use beside the tunnel.
    if (!ipv4.isEmpty() || !ipv6.isEmpty())
        emit dnsServerAddressesPushed(ipv4, ipv6);
    return true;
}

bool OpenVpnClient::parseAssignIpLine(const QString &line)
{
    const int begin = line.indexOf(QStringLiteral(",,"));
    const int end = line.indexOf(QStringLiteral(",,,,"));
    if (begin < 0 || end < begin + 2) {
        qWarning().noquote() << objectName() + QStringLiteral(": Cannot parse ASSIGN_IP line");
        return false;
    }
    const QString address = line.mid(begin + 2, end - begin - 2);
    const QHostAddress host(address);
    if (host.isNull()) {
        qWarning().noquote() << objectName() + QStringLiteral(": Cannot parse ASSIGN_IP line");
        return false;
    }
    m_internalIp = address;
    emit assignedInternalIp(address);
    return true;
}

void OpenVpnClient::sendInitialData()
{
    writeManagement("state on\n");
    log(logPrefix + QStringLiteral("Send 'state on'"));
    writeManagement("log on\n");
    log(logPrefix + QStringLiteral("Send 'log on'"));
}

void OpenVpnClient::sendUserName()
{
    const QString userName = withoutControlCharacters(connectionData().userName());
    writeManagement(QStringLiteral("username 'Auth' %1\n").arg(userName).toUtf8());
    log(logPrefix + QStringLiteral("Sent username: ") + userName);
}

void OpenVpnClient::sendPassword()
{
    QString password = withoutControlCharacters(connectionData().password());
    password.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    password.replace(QStringLiteral("\""), QStringLiteral("\\\""));
    writeManagement(QStringLiteral("password 'Auth' \"%1\"\n").arg(password).toUtf8());
    log(logPrefix + QStringLiteral("Sent password: ***"));
}

void OpenVpnClient::sendByteCount()
{
    writeManagement("bytecount 1\n");
    log(logPrefix + QStringLiteral("Send 'bytecount'"));
}

void OpenVpnClient::writeManagement(const QByteArray &text)
{
    m_managementServer->write(text.constData());
}

quint16 OpenVpnClient::managementServerPort() const
{
    return m_managementServer->serverPort();
}

void OpenVpnClient::setManagementPeerUid(uint uid)
{
    m_managementServer->setAllowedPeerUid(uid);
}

void OpenVpnClient::log(const QString &text) const
{
    qInfo().noquote() << objectName() + QStringLiteral(": ") + text;
}
