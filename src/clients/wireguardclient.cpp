#include "wireguardclient.h"

#include "buildconfig.h"
#include "tcpserver.h"
#include "utils.h"
#include "vpnprocess.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

int WireGuardClient::s_configCounter = 1;

namespace {
const QString processTag = QStringLiteral("wireguard-service");
const QString controlHost = QStringLiteral("127.0.0.1");
// The DNS server the tunnel's configuration names.
const QString vpnDns = QStringLiteral("172.16.0.1");
const QString stateConnected = QStringLiteral(">STATE:CONNECTED");
const QString stateDisconnected = QStringLiteral(">STATE:DISCONNECTED");
const QString stateError = QStringLiteral(">STATE:ERROR");
const QString byteCount = QStringLiteral(">BYTECOUNT:");
} // namespace

WireGuardClient::WireGuardClient(QObject *parent)
    : VpnClient(parent), m_process(new VpnProcess(processTag, this)), m_controlServer(new TcpServer(this))
{
    setObjectName(QStringLiteral("WireGuardClient"));
    connect(m_process, &VpnProcess::finished, this, &WireGuardClient::onWireGuardProcessFinished);
    connect(m_process, &VpnProcess::started, this, &WireGuardClient::onWireGuardProcessStarted);
    // A refused or failed start ends the attempt instead of leaving it in Connecting.
    connect(m_process, &VpnProcess::error, this, &WireGuardClient::onWireGuardProcessError);
    connect(m_controlServer, &TcpServer::readyRead, this,
            &WireGuardClient::onReadyReadDataFromManagementInterface);
    connect(m_controlServer, &TcpServer::socketError, this, &WireGuardClient::onSocketError);
}

WireGuardClient::~WireGuardClient()
{
    endOnDestruction(m_process);
}

void WireGuardClient::log(const QString &text) const
{
    qInfo().noquote() << objectName() + QStringLiteral(": ") + text;
}

void WireGuardClient::setControlPeerUid(uint uid)
{
    m_controlServer->setAllowedPeerUid(uid);
}

QString WireGuardClient::executableBaseName() const
{
    return processTag;
}

QString WireGuardClient::resourceFileName() const
{
    return QStringLiteral(":/resources/config/wg-vpnclient.conf");
}

void WireGuardClient::updateConfigOptions(QString &)
{ }

QString WireGuardClient::execPath() const
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/wireguard/bin/")
        + Utils::platformExecutable(processTag, false);
}

QString WireGuardClient::prepareEmptyConfigFile(const QString &basePath)
{
    const QString first = basePath + QStringLiteral(".conf");
    if (QFile::exists(first))
        QFile::remove(first);
    if (!QFile::exists(first))
        return first;
    for (int counter = s_configCounter; counter <= 999; ++counter) {
        const QString candidate = basePath + QStringLiteral("%1.conf").arg(counter);
        if (!QFile::exists(candidate)) {
            s_configCounter = counter;
            return candidate;
        }
    }
    return QString();
}

bool WireGuardClient::updateConfigFile()
{
    const QString text = account().configuration(connectionData().server(), vpnDns);
    if (text.isEmpty()) {
        // Without a valid account there is nothing the engine could connect with.
        m_errorText = tr("No valid WireGuard account");
        qCritical().noquote() << objectName() + QStringLiteral(": ") + m_errorText;
        return false;
    }
    const QString folder = Utils::programDataPath() + QStringLiteral("/config");
    Utils::makeDirPath(folder);
    m_configPath
        = prepareEmptyConfigFile(folder + QStringLiteral("/wg-") + QString::fromUtf8(BuildConfig::brand));
    if (m_configPath.isEmpty()) {
        m_errorText = QStringLiteral("Cannot prepare WireGuard config file");
        qCritical().noquote() << objectName() + QStringLiteral(": ") + m_errorText;
        return false;
    }
    if (!Utils::save(m_configPath, text)) {
        m_errorText = QStringLiteral("Cannot save WireGuard config file to '%1'").arg(m_configPath);
        qCritical().noquote() << objectName() + QStringLiteral(": ") + m_errorText;
        return false;
    }
    // Only the privileged service can still read the private key.
    QFile::setPermissions(m_configPath, QFileDevice::Permissions());
    return true;
}

bool WireGuardClient::start()
{
    m_errorText.clear();
    stop();

    if (connectionData().server().isEmpty())
        m_errorText = tr("Server name is empty!");
    else if (!QFile::exists(execPath()))
        m_errorText = QStringLiteral("Executable '%1' does not exists").arg(execPath());
    else {
        startUp();
        return true;
    }
    qCritical().noquote() << objectName() + QStringLiteral(": ") + m_errorText;
    setConnectionState(ConnectionState::Id::Error, m_errorText, false);
    return false;
}

void WireGuardClient::startUp()
{
    if (!updateConfigFile()) {
        // A start that cannot even write its configuration is reported, never left silent.
        setConnectionState(ConnectionState::Id::Error, m_errorText, true);
        return;
    }
    startIpv6SupportService();
    clearStopRequested();
    m_engineFailed = false;

    m_controlServer->start(controlHost, m_controlPort);
    // The port actually listened on (the same as asked, unless a test asked for any port).
    const quint16 port = m_controlServer->serverPort() ? m_controlServer->serverPort() : m_controlPort;
    const QStringList arguments = {execPath(), QStringLiteral("--add"), m_configPath,
                                   QStringLiteral("--port"), QString::number(port)};
    setConnectionState(ConnectionState::Id::Connecting);
    m_process->start(arguments);
}

void WireGuardClient::onWireGuardProcessStarted()
{
    log(QStringLiteral("WireGuard process started"));
    // Only the engine the service started for this client is served on the control port.
    m_controlServer->setExpectedPeerProcess(m_process->processId());
}

void WireGuardClient::onReadyReadDataFromManagementInterface()
{
    for (QString line = m_controlServer->readLine().simplified(); !line.isEmpty();
         line = m_controlServer->readLine().simplified()) {
        if (!line.startsWith(byteCount))
            log(QStringLiteral("[%1]").arg(line));

        if (line.startsWith(stateConnected)) {
            setConnectionState(ConnectionState::Id::Connected);
        } else if (line.startsWith(stateDisconnected)) {
            setConnectionState(ConnectionState::Id::Disconnected);
        } else if (line.startsWith(stateError)) {
            const QStringList parts = line.split(QLatin1Char(':'), Qt::KeepEmptyParts);
            if (parts.size() == 3)
                m_errorText = parts.at(2);
            m_engineFailed = true;
            setConnectionState(ConnectionState::Id::Error, m_errorText, true);
        } else if (line.startsWith(byteCount)) {
            const QStringList parts = QString(line).remove(byteCount).split(QStringLiteral(", "));
            if (parts.size() != 2)
                break; // the rest waits for the next notification
            setConnectionStatistics(ConnectionStatistics(parts.at(0), parts.at(1)));
        }
        if (!m_controlServer->isOpen())
            break;
    }
}

void WireGuardClient::onSocketError(QAbstractSocket::SocketError)
{ }

void WireGuardClient::onWireGuardLoggerLineReaded(const QString &)
{ }

bool WireGuardClient::stop()
{
    endEngine(m_process);
    setDisconnectingUnlessEnding();
    return true;
}

bool WireGuardClient::sendTermSignal()
{
    log(QStringLiteral("Send TERM signal, server state is opened: %1")
            .arg(Utils::boolString(m_controlServer->isOpen())));
    if (!m_controlServer->isOpen())
        return false;
    const bool sent = m_controlServer->write("signal SIGTERM\r\n") > 0;
    log(QStringLiteral("Send TERM signal, status: %1").arg(Utils::boolString(sent)));
    return sent;
}

void WireGuardClient::onWireGuardProcessError(int status)
{
    m_controlServer->stop();
    if (destroying())
        return;
    m_errorText = tr("WireGuard could not be started (status %1)").arg(status);
    qCritical().noquote() << objectName() + QStringLiteral(": ") + m_errorText;
    setConnectionState(ConnectionState::Id::Error, m_errorText, true);
}

void WireGuardClient::onWireGuardProcessFinished(int exitCode)
{
    // The next attempt listens again; no stale peer may stay connected.
    m_controlServer->stop();
    reportEngineEnd(exitCode, m_errorText, m_engineFailed);
}
