#pragma once

#include "networkprotocol.h"
#include "server.h"
#include "simplecrypt.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVector>

// The user's settings, a process-wide singleton published to QML as
// "settings" and "themeSettings". Stored with QSettings in the native format
// (organisation "VPN", application "VPNClient"; on Linux the INI file
// ~/.config/VPN/VPNClient.conf), groups "Settings" and "Themeditor". User name
// and password are stored enciphered.
//
// Values change in memory through the setters; the file changes only in the
// save operations. Values read from the file are checked: a missing or
// unreadable value keeps its default, and port indexes, the protocol, the
// language and the current server id are corrected when they cannot be used.
// Main thread only.
class Settings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(QString userName READ userName WRITE setUserName NOTIFY userNameChanged)
    Q_PROPERTY(bool allowAccessToLocalDevices READ allowAccessToLocalDevices WRITE
                   setAllowAccessToLocalDevices NOTIFY allowAccessToLocalDevicesChanged)
    Q_PROPERTY(bool autoReconnectionOnError READ autoReconnectionOnError WRITE setAutoReconnectionOnError
                   NOTIFY autoReconnectionOnErrorChanged)
    Q_PROPERTY(bool autoUpdateEnabled READ autoUpdateEnabled WRITE setAutoUpdateEnabled NOTIFY
                   autoUpdateEnabledChanged)
    Q_PROPERTY(bool connectToLastLocation READ connectToLastLocation WRITE setConnectToLastLocation NOTIFY
                   connectToLastLocationChanged)
    Q_PROPERTY(bool ipv6Enabled READ ipv6Enabled WRITE setIpv6Enabled NOTIFY ipv6EnabledChanged)
    Q_PROPERTY(bool killswitchEnabled READ killswitchEnabled WRITE setKillswitchEnabled NOTIFY
                   killswitchEnabledChanged)
    Q_PROPERTY(bool launchAppOnStartup READ launchAppOnStartup WRITE setLaunchAppOnStartup NOTIFY
                   launchAppOnStartupChanged)
    Q_PROPERTY(bool showNotifications READ showNotifications WRITE setShowNotifications NOTIFY
                   showNotificationsChanged)
    Q_PROPERTY(int languageIndex READ languageIndex WRITE setLanguageIndex NOTIFY languageChanged)
    Q_PROPERTY(int mtuSize READ mtuSize WRITE setMtuSize NOTIFY mtuSizeChanged)
    Q_PROPERTY(
        int networkProtocol READ networkProtocol WRITE setNetworkProtocol NOTIFY networkProtocolChanged)
    Q_PROPERTY(int startMinimized READ startMinimized WRITE setStartMinimized NOTIFY startMinimizedChanged)
    Q_PROPERTY(int tcpPortIndex READ tcpPortIndex WRITE setTcpPortIndex NOTIFY tcpPortIndexChanged)
    Q_PROPERTY(int udpPortIndex READ udpPortIndex WRITE setUdpPortIndex NOTIFY udpPortIndexChanged)
    Q_PROPERTY(QUrl themeditorLastOpenedUrl READ themeditorLastOpenedUrl WRITE setThemeditorLastOpenedUrl
                   NOTIFY themeditorLastOpenedUrlChanged)
    Q_PROPERTY(QStringList allowedTcpPortsList READ allowedTcpPortsList CONSTANT)
    Q_PROPERTY(QStringList allowedUdpPortsList READ allowedUdpPortsList CONSTANT)
    Q_PROPERTY(QStringList languageList READ languageList CONSTANT)

public:
    enum Protocol { Udp = 0, Tcp = 1, Stealth = 2, WireGuardProtocol = 3 };

    static Settings *instance();

    // Build constants.
    Q_INVOKABLE static QString titleName();
    Q_INVOKABLE static QString osName();
    static QString qmlPath(const QString &name);
    static QString iconPath(const QString &name);
    static QString appDataPath();

    Q_INVOKABLE QString fileName() const;
    Q_INVOKABLE bool isWritable() const;
    // Both user name and password are non-empty.
    Q_INVOKABLE bool vaildCredentials() const;
    Q_INVOKABLE static int defaultMtuSize() { return 1500; }

    // Group "Settings".
    void readGeneralSettings();
    // Writes every general key and syncs; favorites and recent servers have their own operations.
    Q_INVOKABLE void saveGeneralSettings();
    // Group "Themeditor".
    void readThemeditorSettings();
    Q_INVOKABLE void saveThemeditorSettings();

    QString language() const { return m_language; }
    void setLanguage(const QString &language);
    // Position of the language in the language table, 0 when it is not there.
    int languageIndex() const;
    void setLanguageIndex(int index);
    QString password() const { return m_password; }
    void setPassword(const QString &password);
    QString userName() const { return m_userName; }
    void setUserName(const QString &userName);

    bool allowAccessToLocalDevices() const { return m_allowAccessToLocalDevices; }
    void setAllowAccessToLocalDevices(bool enable);
    bool autoReconnectionOnError() const { return m_autoReconnectionOnError; }
    void setAutoReconnectionOnError(bool enable);
    bool autoUpdateEnabled() const { return m_autoUpdateEnabled; }
    void setAutoUpdateEnabled(bool enable);
    bool connectToLastLocation() const { return m_connectToLastLocation; }
    void setConnectToLastLocation(bool enable);
    bool ipv6Enabled() const { return m_ipv6Enabled; }
    void setIpv6Enabled(bool enable);
    bool killswitchEnabled() const { return m_killswitchEnabled; }
    void setKillswitchEnabled(bool enable);
    bool showNotifications() const { return m_showNotifications; }
    void setShowNotifications(bool enable);
    // Kept in the desktop's start-at-login entries, not in the file.
    bool launchAppOnStartup() const;
    void setLaunchAppOnStartup(bool enable);

    // 0 means automatic.
    int mtuSize() const { return m_mtuSize; }
    // Applies a new size to every interface of the current list; saved with the general settings.
    void setMtuSize(int size);
    // The interfaces the MTU applies to, by number; held in memory only.
    void setCurrentNetworkInterfacesList(const QVector<int> &interfaceIds);
    QVector<int> currentNetworkInterfacesList() const { return m_networkInterfaceIds; }

    // 0 UDP, 1 TCP, 2 Stealth, 3 WireGuard.
    int networkProtocol() const { return m_networkProtocol; }
    NetworkProtocol networkProtocol2() const { return static_cast<NetworkProtocol>(m_networkProtocol); }
    void setNetworkProtocol(int protocol);
    // 0 show the window, 1 start hidden, 2 start minimized.
    int startMinimized() const { return m_startMinimized; }
    void setStartMinimized(int value);
    int tcpPortIndex() const { return static_cast<int>(m_tcpPortIndex); }
    // An index outside the table becomes 0.
    void setTcpPortIndex(int index);
    int udpPortIndex() const { return static_cast<int>(m_udpPortIndex); }
    void setUdpPortIndex(int index);

    QUrl themeditorLastOpenedUrl() const { return m_themeditorLastOpenedUrl; }
    // Remembers the folder that holds the given file.
    void setThemeditorLastOpenedUrl(const QUrl &fileUrl);

    // Ports. TCP port 0 means: probe the server's ports and take the first that answers.
    static QList<quint16> allowedTcpPorts();
    static QList<quint16> allowedUdpPorts();
    static QList<quint16> allowedTcpPortsForScan();
    static QStringList networkPortsToList(const QList<quint16> &ports);
    // Entry 0 for an index out of range.
    static quint16 networkPortIndexToValue(const QList<quint16> &ports, int index);
    static quint16 stealthPort() { return 443; }
    static quint16 wireGuardPort() { return 55888; }
    QStringList allowedTcpPortsList() const { return networkPortsToList(allowedTcpPorts()); }
    QStringList allowedUdpPortsList() const { return networkPortsToList(allowedUdpPorts()); }
    // The port of the current protocol; 0 when it is chosen automatically or the protocol is unknown.
    quint16 portForNetworkProtocol() const;
    bool autoPortSelection() const;
    // "auto" or the port in decimal.
    QString portNameForNetworkProtocol() const;
    static QString nameForAutoPortSelection();

    // Languages: display name and code, in menu order.
    static QList<QPair<QString, QString>> languages();
    static QStringList languageCodes();
    QStringList languageList() const;

    // Favorites by storage id.
    QStringList favorites() const { return m_favorites; }
    void saveFavorite(const QString &id, bool set);

    // The stored recent servers that are in the list, oldest first.
    Servers recentServersFromAllowedList(const Servers &servers) const;
    // Keeps the first occurrence of each server and at most the three last ones.
    void saveRecentServers(const Servers &servers);
    static constexpr int maxRecentServers = 3;

    QString currentServerId() const { return m_currentServerId; }
    Q_INVOKABLE void saveCurrentServerId(const QString &serverId);
    void setCurrentServerId(const QString &serverId);
    // True until a current server id is set.
    bool useDefaultLocation() const { return m_useDefaultLocation; }

    void setValue(const QString &key, const QVariant &value);
    QVariant getValue(const QString &key, const QVariant &defaultValue = QVariant()) const;
    void sync();

signals:
    void languageChanged(const QString &language);
    void passwordChanged();
    void userNameChanged();
    void allowAccessToLocalDevicesChanged(bool enable);
    void autoReconnectionOnErrorChanged(bool enable);
    void autoUpdateEnabledChanged(bool enable);
    void connectToLastLocationChanged(bool enable);
    void ipv6EnabledChanged(bool enable);
    void killswitchEnabledChanged(bool enable);
    void launchAppOnStartupChanged(bool enable);
    void showNotificationsChanged(bool enable);
    void mtuSizeChanged(int size);
    void networkProtocolChanged(int protocol);
    void startMinimizedChanged(int value);
    // Carries whether a port other than the first entry is chosen.
    void tcpPortIndexChanged(bool notFirst);
    void udpPortIndexChanged(bool notFirst);
    void themeditorLastOpenedUrlChanged(const QUrl &url);

private:
    friend class TestSettings;
    // An empty file name opens the native store; tests pass an INI file of their own.
    explicit Settings(const QString &fileName = QString());

    static int defaultNetworkProtocol();
    // The stored form is the enciphered text; a text that does not decipher reads as empty.
    QString encipher(const QString &text);
    QString decipher(const QString &text);
    QVariant storedValue(const QString &key) const;
    // Bounds an index to the table; emits through the signal on a change.
    void setPortIndex(uint &member, int index, int tableSize, void (Settings::*changed)(bool));

    SimpleCrypt m_crypt;
    QSettings *m_settings;

    QString m_language;
    QString m_password;
    QString m_userName;
    QString m_currentServerId;
    bool m_allowAccessToLocalDevices = true;
    bool m_autoReconnectionOnError = true;
    bool m_autoUpdateEnabled = true;
    bool m_connectToLastLocation = false;
    bool m_ipv6Enabled = false;
    bool m_killswitchEnabled = true;
    bool m_showNotifications = true;
    int m_mtuSize = 0;
    int m_networkProtocol = 0;
    int m_startMinimized = 0;
    uint m_tcpPortIndex = 0;
    uint m_udpPortIndex = 0;
    QStringList m_favorites;
    QUrl m_themeditorLastOpenedUrl;

    QVector<int> m_networkInterfaceIds;
    bool m_useDefaultLocation = true;
};
