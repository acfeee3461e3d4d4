#include "settings.h"

#include "autostart.h"
#include "buildconfig.h"
#include "storedvalue.h"
#include "utils.h"
#include "wireguard.h"

#include <QDebug>
#include <QFileInfo>
#include <QStandardPaths>

#include <climits>

namespace {
const QString groupSettings = QStringLiteral("Settings");
const QString groupThemeditor = QStringLiteral("Themeditor");

const QString keyAllowAccessToLocalDevices = QStringLiteral("allowAccessToLocalDevices");
const QString keyAutoReconnectToVpn = QStringLiteral("autoReconnectToVpn");
const QString keyAutoUpdateEnabled = QStringLiteral("autoUpdateEnabled");
const QString keyConnectToLastLocation = QStringLiteral("connectToLastLocation");
const QString keyCurrentServerId = QStringLiteral("currentServerId");
const QString keyIpv6Enabled = QStringLiteral("ipv6Enabled");
const QString keyKillswitchEnabled = QStringLiteral("killswitchEnabled");
const QString keyLanguage = QStringLiteral("language");
const QString keyMtuSize = QStringLiteral("mtuSize");
const QString keyNetworkProtocol = QStringLiteral("networkProtocol");
const QString keyPassword = QStringLiteral("password");
const QString keyShowNotifications = QStringLiteral("showNotifications");
const QString keyStartMinimized = QStringLiteral("startMinimized");
const QString keyTcpPortIndex = QStringLiteral("tcpPortIndex");
const QString keyUdpPortIndex = QStringLiteral("udpPortIndex");
const QString keyUserName = QStringLiteral("userName");
const QString keyFavorites = QStringLiteral("favorites");
const QString keyRecentServers = QStringLiteral("recentServers");
const QString keyThemeditorLastOpenedUrl = QStringLiteral("themeditorLastOpenedUrl");

template<typename T, typename Signal>
void assign(Settings *settings, T &member, const T &value, Signal changed)
{
    if (member == value)
        return;
    member = value;
    emit(settings->*changed)(value);
}
} // namespace

Settings::Settings(const QString &fileName)
    : m_crypt(BuildConfig::credentialsKey),
      m_settings(fileName.isEmpty() ? new QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                                    QStringLiteral("VPN"), QStringLiteral("VPNClient"), this)
                                    : new QSettings(fileName, QSettings::IniFormat, this)),
      m_networkProtocol(defaultNetworkProtocol()),
      m_themeditorLastOpenedUrl(
          QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)))
{
    setObjectName(QStringLiteral("Settings"));
    if (m_settings->status() != QSettings::NoError)
        qWarning().noquote() << objectName()
                + QStringLiteral(": Cannot read '%1', using the defaults where needed")
                      .arg(m_settings->fileName());
    readGeneralSettings();
    readThemeditorSettings();
    if (!m_language.isEmpty() && !languageCodes().contains(m_language))
        m_language.clear();
}

Settings *Settings::instance()
{
    static Settings *settings = new Settings();
    return settings;
}

QString Settings::titleName()
{
    return QString::fromUtf8(BuildConfig::title);
}

QString Settings::osName()
{
    return QStringLiteral("Linux");
}

QString Settings::qmlPath(const QString &name)
{
    return QStringLiteral("qrc:/qml/%1").arg(name);
}

QString Settings::iconPath(const QString &name)
{
    return QStringLiteral("qrc:/resources/icons/%1").arg(name);
}

QString Settings::appDataPath()
{
    static const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return path;
}

QString Settings::fileName() const
{
    return m_settings->fileName();
}

bool Settings::isWritable() const
{
    return m_settings->isWritable();
}

bool Settings::vaildCredentials() const
{
    return !m_userName.simplified().isEmpty() && !m_password.simplified().isEmpty();
}

int Settings::defaultNetworkProtocol()
{
    return WireGuard::isSupported() ? WireGuardProtocol : Udp;
}

QString Settings::encipher(const QString &text)
{
    return m_crypt.encryptToString(text);
}

QString Settings::decipher(const QString &text)
{
    if (text.isEmpty())
        return QString();
    // Only texts with their checksum or hash are accepted: without it a
    // damaged text would decipher to garbage instead of failing.
    const QByteArray cipher = QByteArray::fromBase64(text.toLatin1());
    if (cipher.size() < 2 || !(cipher.at(1) & (SimpleCrypt::FlagChecksum | SimpleCrypt::FlagHash)))
        return QString();
    const QString plain = m_crypt.decryptToString(cipher);
    return m_crypt.lastError() == SimpleCrypt::ErrorNoError ? plain : QString();
}

QVariant Settings::storedValue(const QString &key) const
{
    return m_settings->value(key);
}

void Settings::readGeneralSettings()
{
    m_settings->beginGroup(groupSettings);
    const auto has = [this](const QString &key) { return m_settings->contains(key); };

    m_allowAccessToLocalDevices
        = StoredValue::toBool(storedValue(keyAllowAccessToLocalDevices), m_allowAccessToLocalDevices);
    m_autoReconnectionOnError
        = StoredValue::toBool(storedValue(keyAutoReconnectToVpn), m_autoReconnectionOnError);
    m_autoUpdateEnabled = StoredValue::toBool(storedValue(keyAutoUpdateEnabled), m_autoUpdateEnabled);
    m_connectToLastLocation
        = StoredValue::toBool(storedValue(keyConnectToLastLocation), m_connectToLastLocation);
    m_ipv6Enabled = StoredValue::toBool(storedValue(keyIpv6Enabled), m_ipv6Enabled);
    m_killswitchEnabled = StoredValue::toBool(storedValue(keyKillswitchEnabled), m_killswitchEnabled);
    m_showNotifications = StoredValue::toBool(storedValue(keyShowNotifications), m_showNotifications);
    m_language = StoredValue::toString(storedValue(keyLanguage), m_language);
    m_mtuSize = StoredValue::toInt(storedValue(keyMtuSize), m_mtuSize);
    m_startMinimized = StoredValue::toInt(storedValue(keyStartMinimized), m_startMinimized);

    const QString serverId = StoredValue::toString(storedValue(keyCurrentServerId), m_currentServerId);
    const bool usableId = Utils::isValidIPv4Address(serverId) || Server::isCountryCode(serverId)
        || Server::isHostName(serverId);
    m_currentServerId = usableId ? serverId : QString();

    // An unknown protocol would leave no engine to start; it reads as the default.
    int protocol = StoredValue::toInt(storedValue(keyNetworkProtocol), m_networkProtocol);
    if (protocol < Udp || protocol > WireGuardProtocol)
        protocol = defaultNetworkProtocol();
    if (protocol == WireGuardProtocol && !WireGuard::isSupported())
        protocol = Udp;
    m_networkProtocol = protocol;

    if (has(keyPassword))
        m_password = decipher(StoredValue::toString(storedValue(keyPassword), QString()));
    if (has(keyUserName))
        m_userName = decipher(StoredValue::toString(storedValue(keyUserName), QString()));

    const uint tcpIndex = StoredValue::toUInt(storedValue(keyTcpPortIndex), m_tcpPortIndex);
    const uint udpIndex = StoredValue::toUInt(storedValue(keyUdpPortIndex), m_udpPortIndex);

    if (has(keyFavorites))
        m_favorites = StoredValue::toStringList(storedValue(keyFavorites), m_favorites);
    m_settings->endGroup();

    // Indexes beyond the table fall back to the first entry.
    setPortIndex(m_tcpPortIndex, static_cast<int>(qMin<uint>(tcpIndex, INT_MAX)), allowedTcpPorts().size(),
                 &Settings::tcpPortIndexChanged);
    setPortIndex(m_udpPortIndex, static_cast<int>(qMin<uint>(udpIndex, INT_MAX)), allowedUdpPorts().size(),
                 &Settings::udpPortIndexChanged);
}

void Settings::saveGeneralSettings()
{
    m_settings->beginGroup(groupSettings);
    m_settings->setValue(keyAllowAccessToLocalDevices, m_allowAccessToLocalDevices);
    m_settings->setValue(keyAutoReconnectToVpn, m_autoReconnectionOnError);
    m_settings->setValue(keyAutoUpdateEnabled, m_autoUpdateEnabled);
    m_settings->setValue(keyConnectToLastLocation, m_connectToLastLocation);
    m_settings->setValue(keyCurrentServerId, m_currentServerId);
    m_settings->setValue(keyIpv6Enabled, m_ipv6Enabled);
    m_settings->setValue(keyKillswitchEnabled, m_killswitchEnabled);
    m_settings->setValue(keyLanguage, m_language);
    m_settings->setValue(keyMtuSize, m_mtuSize);
    m_settings->setValue(keyNetworkProtocol, m_networkProtocol);
    m_settings->setValue(keyPassword, encipher(m_password));
    m_settings->setValue(keyShowNotifications, m_showNotifications);
    m_settings->setValue(keyStartMinimized, m_startMinimized);
    m_settings->setValue(keyTcpPortIndex, m_tcpPortIndex);
    m_settings->setValue(keyUdpPortIndex, m_udpPortIndex);
    m_settings->setValue(keyUserName, encipher(m_userName));
    m_settings->endGroup();
    m_settings->sync();
}

void Settings::readThemeditorSettings()
{
    m_settings->beginGroup(groupThemeditor);
    m_themeditorLastOpenedUrl
        = StoredValue::toUrl(storedValue(keyThemeditorLastOpenedUrl), m_themeditorLastOpenedUrl);
    m_settings->endGroup();
}

void Settings::saveThemeditorSettings()
{
    m_settings->beginGroup(groupThemeditor);
    m_settings->setValue(keyThemeditorLastOpenedUrl, m_themeditorLastOpenedUrl);
    m_settings->endGroup();
    m_settings->sync();
}

void Settings::setLanguage(const QString &language)
{
    assign(this, m_language, language, &Settings::languageChanged);
}

int Settings::languageIndex() const
{
    return qMax(0, languageCodes().indexOf(m_language));
}

void Settings::setLanguageIndex(int index)
{
    const QStringList codes = languageCodes();
    if (index >= 0 && index < codes.size())
        setLanguage(codes.at(index));
}

void Settings::setPassword(const QString &password)
{
    const QString value = password.simplified();
    if (m_password == value)
        return;
    m_password = value;
    emit passwordChanged();
}

void Settings::setUserName(const QString &userName)
{
    const QString value = userName.simplified();
    if (m_userName == value)
        return;
    m_userName = value;
    emit userNameChanged();
}

void Settings::setAllowAccessToLocalDevices(bool enable)
{
    assign(this, m_allowAccessToLocalDevices, enable, &Settings::allowAccessToLocalDevicesChanged);
}

void Settings::setAutoReconnectionOnError(bool enable)
{
    assign(this, m_autoReconnectionOnError, enable, &Settings::autoReconnectionOnErrorChanged);
}

void Settings::setAutoUpdateEnabled(bool enable)
{
    assign(this, m_autoUpdateEnabled, enable, &Settings::autoUpdateEnabledChanged);
}

void Settings::setConnectToLastLocation(bool enable)
{
    assign(this, m_connectToLastLocation, enable, &Settings::connectToLastLocationChanged);
}

void Settings::setIpv6Enabled(bool enable)
{
    assign(this, m_ipv6Enabled, enable, &Settings::ipv6EnabledChanged);
}

void Settings::setKillswitchEnabled(bool enable)
{
    assign(this, m_killswitchEnabled, enable, &Settings::killswitchEnabledChanged);
}

void Settings::setShowNotifications(bool enable)
{
    assign(this, m_showNotifications, enable, &Settings::showNotificationsChanged);
}

bool Settings::launchAppOnStartup() const
{
    return AutoStart::enabled();
}

void Settings::setLaunchAppOnStartup(bool enable)
{
    if (enable == AutoStart::enabled())
        return;
    AutoStart::setEnabled(enable);
    emit launchAppOnStartupChanged(enable);
}

void Settings::setMtuSize(int size)
{
    if (m_mtuSize == size)
        return;
    for (const int interfaceId : qAsConst(m_networkInterfaceIds))
        Utils::setMtuSize(interfaceId, size);
    m_mtuSize = size;
    emit mtuSizeChanged(size);
}

void Settings::setCurrentNetworkInterfacesList(const QVector<int> &interfaceIds)
{
    m_networkInterfaceIds = interfaceIds;
}

void Settings::setNetworkProtocol(int protocol)
{
    assign(this, m_networkProtocol, protocol, &Settings::networkProtocolChanged);
}

void Settings::setStartMinimized(int value)
{
    assign(this, m_startMinimized, value, &Settings::startMinimizedChanged);
}

void Settings::setPortIndex(uint &member, int index, int tableSize, void (Settings::*changed)(bool))
{
    const uint bounded = index < 0 || index >= tableSize ? 0 : static_cast<uint>(index);
    if (member == bounded)
        return;
    member = bounded;
    emit(this->*changed)(bounded != 0);
}

void Settings::setTcpPortIndex(int index)
{
    setPortIndex(m_tcpPortIndex, index, allowedTcpPorts().size(), &Settings::tcpPortIndexChanged);
}

void Settings::setUdpPortIndex(int index)
{
    setPortIndex(m_udpPortIndex, index, allowedUdpPorts().size(), &Settings::udpPortIndexChanged);
}

void Settings::setThemeditorLastOpenedUrl(const QUrl &fileUrl)
{
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(fileUrl.toLocalFile()).absolutePath());
    assign(this, m_themeditorLastOpenedUrl, folder, &Settings::themeditorLastOpenedUrlChanged);
}

QList<quint16> Settings::allowedTcpPorts()
{
    static const QList<quint16> ports {0, 20, 21, 23, 53, 80, 110, 143, 3389, 8080};
    return ports;
}

QList<quint16> Settings::allowedUdpPorts()
{
    static const QList<quint16> ports {53, 88, 123};
    return ports;
}

QList<quint16> Settings::allowedTcpPortsForScan()
{
    QList<quint16> ports = allowedTcpPorts();
    ports.removeAll(0);
    return ports;
}

QStringList Settings::networkPortsToList(const QList<quint16> &ports)
{
    QStringList list;
    for (const quint16 port : ports)
        list.append(QString::number(port));
    return list;
}

quint16 Settings::networkPortIndexToValue(const QList<quint16> &ports, int index)
{
    if (ports.isEmpty())
        return 0;
    return index >= 0 && index < ports.size() ? ports.at(index) : ports.first();
}

quint16 Settings::portForNetworkProtocol() const
{
    switch (m_networkProtocol) {
    case Udp:
        return networkPortIndexToValue(allowedUdpPorts(), udpPortIndex());
    case Tcp:
        return networkPortIndexToValue(allowedTcpPorts(), tcpPortIndex());
    case Stealth:
        return stealthPort();
    case WireGuardProtocol:
        return wireGuardPort();
    default:
        return 0;
    }
}

bool Settings::autoPortSelection() const
{
    return (m_networkProtocol == Udp || m_networkProtocol == Tcp) && portForNetworkProtocol() == 0;
}

QString Settings::portNameForNetworkProtocol() const
{
    const quint16 port = portForNetworkProtocol();
    return port == 0 ? QStringLiteral("auto") : QString::number(port);
}

QString Settings::nameForAutoPortSelection()
{
    return tr("Auto");
}

QList<QPair<QString, QString>> Settings::languages()
{
    static const QList<QPair<QString, QString>> table {
        {QStringLiteral("English"), QStringLiteral("en")},
        {QStringLiteral("Bahasa Indonesia"), QStringLiteral("id")},
        {QStringLiteral("Bahasa Melayu"), QStringLiteral("my")},
        {QStringLiteral("Español"), QStringLiteral("es")},
        {QStringLiteral("Français"), QStringLiteral("fr")},
        {QStringLiteral("Nederlands"), QStringLiteral("nl")},
        {QStringLiteral("Pilipino"), QStringLiteral("ph")},
        {QStringLiteral("Tiếng Việt"), QStringLiteral("vn")},
        {QStringLiteral("Русский"), QStringLiteral("ru")},
        {QStringLiteral("ไทย"), QStringLiteral("th")},
        {QStringLiteral("日本語"), QStringLiteral("jp")},
        {QStringLiteral("简体中文"), QStringLiteral("cn")},
    };
    return table;
}

QStringList Settings::languageCodes()
{
    QStringList codes;
    for (const auto &language : languages())
        codes.append(language.second);
    return codes;
}

QStringList Settings::languageList() const
{
    QStringList names;
    for (const auto &language : languages())
        names.append(language.first);
    return names;
}

void Settings::saveFavorite(const QString &id, bool set)
{
    if (set) {
        if (id.isEmpty())
            return;
        m_favorites.append(id);
        m_favorites.removeDuplicates();
    } else {
        m_favorites.removeAll(id);
    }
    m_settings->beginGroup(groupSettings);
    m_settings->setValue(keyFavorites, m_favorites);
    m_settings->endGroup();
}

Servers Settings::recentServersFromAllowedList(const Servers &servers) const
{
    m_settings->beginGroup(groupSettings);
    const QStringList ids = StoredValue::toStringList(storedValue(keyRecentServers), QStringList());
    m_settings->endGroup();

    Servers result;
    for (const QString &id : ids) {
        for (const Server &server : servers) {
            if (Server::serverIdToStorageId(servers, server.ip()) == id) {
                result.append(server);
                break;
            }
        }
    }
    return result;
}

void Settings::saveRecentServers(const Servers &servers)
{
    QStringList ids;
    for (const Server &server : servers)
        ids.append(Server::serverIdToStorageId(servers, server.ip()));
    ids.removeDuplicates();
    while (ids.size() > maxRecentServers)
        ids.removeFirst();

    m_settings->beginGroup(groupSettings);
    m_settings->setValue(keyRecentServers, ids);
    m_settings->endGroup();
    m_settings->sync();
    qInfo().noquote() << objectName() + QStringLiteral(": Save recent servers: ")
            + ids.join(QLatin1Char(','));
}

void Settings::saveCurrentServerId(const QString &serverId)
{
    setCurrentServerId(serverId);
    saveGeneralSettings();
}

void Settings::setCurrentServerId(const QString &serverId)
{
    m_useDefaultLocation = false;
    if (m_currentServerId != serverId)
        m_currentServerId = serverId;
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
}

QVariant Settings::getValue(const QString &key, const QVariant &defaultValue) const
{
    return m_settings->value(key, defaultValue);
}

void Settings::sync()
{
    m_settings->sync();
}
