#include "vpnclient.h"

#include "vpnprocess.h"

#include "logger.h"
#include "utils.h"

#include <QDebug>
#include <QFileInfo>
#include <QTemporaryFile>

Account VpnClient::s_account;

namespace {
const QString additionalDataPlaceholder = QStringLiteral("<ADDITIONAL_DATA>");
const QString optionLineEnd = QStringLiteral("\r\n");
} // namespace

VpnClient::VpnClient(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<ConnectionState::Id>("ConnectionState::Id");
}

VpnClient::~VpnClient() = default;

void VpnClient::setConnectionData(const ConnectionData &data)
{
    m_connectionData = data;
}

bool VpnClient::supportsKillSwitch() const
{
    return true;
}

void VpnClient::updateConfigOptions(QString &)
{ }

bool VpnClient::updateConfigFile()
{
    const QString resource = resourceFileName();
    if (resource.isEmpty())
        return false;

    m_configFile.reset(Utils::createTempFile(resource));
    if (!m_configFile || (!m_configFile->isOpen() && !m_configFile->open()) || !m_configFile->isReadable()
        || !m_configFile->isWritable()) {
        qCritical().noquote() << objectName() + QStringLiteral(": Config does not exist or empty!");
        return false;
    }

    m_configFile->seek(0);
    QByteArray bytes = m_configFile->readAll();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    QString text = QString::fromUtf8(bytes);

    updateConfigOptions(text);

    m_configFile->seek(0);
    m_configFile->resize(0);
    m_configFile->write(text.toLatin1());
    m_configFile->flush();
    return true;
}

QString VpnClient::configFilePath() const
{
    if (!m_configFile)
        return QString();
    return QFileInfo(m_configFile->fileName()).absoluteFilePath();
}

void VpnClient::removeConfigFile()
{
    m_configFile.reset();
}

void VpnClient::setConnectionState(ConnectionState::Id id, const QString &additionalData, bool critical)
{
    if (id == m_state)
        return;
    Logger::richMessage(objectName(), ConnectionState::stateToString(id, false));
    m_state = id;
    emit connectionStateChanged(id, additionalData, critical, additionalData);
}

void VpnClient::setConnectionStatistics(const ConnectionStatistics &statistics)
{
    m_statistics = statistics;
    emit byteCountChanged(statistics.received(), statistics.sent());
}

QString VpnClient::logFilePath() const
{
    QString path = Logger::instance()->appLogFileNamePath();
    return path.replace(QStringLiteral("-app"), QStringLiteral("-vpn"));
}

bool VpnClient::vpnProcessIsRunning() const
{
    return Utils::processIsRunning(execPath(), true);
}

void VpnClient::endEngine(VpnProcess *process)
{
    m_stopRequested = true;
    // While the service has not yet reported the start, the engine may be just
    // coming up; ending it then keeps a late start from connecting after all.
    const VpnProcess::State processState = process->state();
    if (processState == VpnProcess::Starting
        || (processState == VpnProcess::Running && vpnProcessIsRunning())) {
        if (!sendTermSignal())
            process->kill();
    }
}

void VpnClient::setDisconnectingUnlessEnding()
{
    if (m_state != ConnectionState::Id::Disconnecting && m_state != ConnectionState::Id::Disconnected
        && m_state != ConnectionState::Id::Reconnecting)
        setConnectionState(ConnectionState::Id::Disconnecting);
}

void VpnClient::reportEngineEnd(int exitCode, QString &errorText, bool announcedEnd)
{
    if (m_state == ConnectionState::Id::Disconnected) {
        qInfo().noquote() << objectName() + QStringLiteral(": Already in disconnected state");
        return;
    }
    if (m_destroying)
        return;
    qInfo().noquote() << objectName() + QStringLiteral(": Process finished with code: %1").arg(exitCode);
    // An end that was asked for is no crash, whatever code the ended engine
    // leaves; nor is the end of an engine that reported its error first, and
    // trying again with the same configuration would fail the same way.
    if (exitCode != 0 && !m_stopRequested && !announcedEnd)
        errorText = QStringLiteral("CrashExit");
    setConnectionState(ConnectionState::Id::Disconnected, errorText, false);
    if (m_stopRequested || announcedEnd || !m_connectionData.reconnectOnError())
        return;
    qInfo().noquote() << objectName() + QStringLiteral(": Reconnecting...");
    setConnectionState(ConnectionState::Id::Reconnecting, QString(), true);
}

void VpnClient::endOnDestruction(VpnProcess *process)
{
    m_destroying = true;
    setReconnectOnError(false);
    if (process->state() != VpnProcess::NotRunning)
        stop();
}

void VpnClient::startIpv6SupportService()
{
    // The kernel's IPv6 stack needs no helper on this platform.
}

void VpnClient::replaceOptions(const QStringList &options, QString &config)
{
    QString lines;
    for (const QString &option : options)
        lines += option + optionLineEnd;
    config.replace(additionalDataPlaceholder, lines);
}

QString VpnClient::sizeToString(quint64 bytes, bool withUnit)
{
    static constexpr quint64 kibi = 1024ULL;
    static constexpr quint64 mebi = kibi * 1024ULL;
    static constexpr quint64 gibi = mebi * 1024ULL;
    static constexpr quint64 tebi = gibi * 1024ULL;

    QString number;
    QString unit;
    if (bytes < kibi) {
        number = QString::number(bytes);
        unit = QObject::tr("B");
    } else if (bytes < mebi) {
        number = QString::number(double(bytes) / double(kibi), 'f', 1);
        unit = QObject::tr("KiB");
    } else if (bytes < gibi) {
        number = QString::number(double(bytes) / double(mebi), 'f', 1);
        unit = QObject::tr("MiB");
    } else if (bytes < tebi) {
        number = QString::number(double(bytes) / double(gibi), 'f', 1);
        unit = QObject::tr("GiB");
    } else {
        number = QString::number(double(bytes) / double(tebi), 'f', 1);
        unit = QObject::tr("TiB");
    }
    return withUnit ? number + unit : number;
}

QString VpnClient::bytesToHumanView(quint64 bytes)
{
    if (bytes == 0)
        return QStringLiteral("0");
    return sizeToString(bytes, true);
}

void VpnClient::setAccount(const Account &account)
{
    s_account = account;
}

Account VpnClient::account()
{
    return s_account;
}
