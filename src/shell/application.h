#pragma once

#include "connectionstate.h"
#include "server.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QGuiApplication;
class QQmlApplicationEngine;
class QTranslator;
class QWindow;
class DockHandler;
class MultiPing;
class NetworkApi;
class OpenVpnNetworkInterfaces;
class ServerListModel;
class ServiceController;
class SystemTray;
class Theme;

// The client itself: owns the QML engine and every long-lived object, wires
// their signals, publishes them to QML, loads the main window, and runs the
// quit sequence when it is destroyed.
class Application : public QObject
{
    Q_OBJECT

public:
    explicit Application(QGuiApplication &application);
    ~Application() override;

    // True when a window was loaded and the settings can be written; on
    // failure the application has already been put into error mode.
    bool initialized();

    static bool validInstallation(QString &error);
    Q_INVOKABLE static bool themeEditorMode();

    Q_INVOKABLE QString applicationDirPath() const;
    Q_INVOKABLE bool desktopSessionUbuntu() const;
    Q_INVOKABLE bool runningOnLinux() const;
    Q_INVOKABLE bool runningOnMacOS() const;
    Q_INVOKABLE bool runningOnWindows() const;
    Q_INVOKABLE int windowHeight() const { return 650; }
    Q_INVOKABLE void scheduleMinimizedMessage();
    // Marks or unmarks a favorite in the three server lists.
    Q_INVOKABLE void setFavorite(const QString &serverId, bool set);

    bool serviceIsRunning() const { return m_serviceRunning; }
    QString serviceExecutablePath() const;
    QWindow *mainWindow() const;
    void invokeMethodInQml(const QString &name);
    void setErrorMode(const QString &text);
    // The tray's first menu item and icon for a connection state.
    void updateSystemTrayMenuItem(ConnectionState::Id state);
    void printSystemInfo();
    SystemTray *systemTray() const { return m_systemTray; }
    NetworkApi *networkApi() const { return m_networkApi; }
    // The usable network interfaces read at start-up.
    OpenVpnNetworkInterfaces *networkInterfaces() const { return m_networkInterfaces; }

public slots:
    void messageReceived(const QString &message);
    // Asks the API for the account's WireGuard data with the stored
    // credentials, when there are any and WireGuard can be used.
    void requestWirequardData();

protected slots:
    void onConnectDisconnectActionClicked();
    void onExitActionClicked();
    // Runs once per process, when the service link has reported its first
    // status: starts the first API requests.
    void onInitialConnectionStatusChanged();
    void onLanguageChanged(const QString &language);
    // Builds the recommended list from a pass of latency probes.
    void onLastPingRequestFinished(const QStringList &data);
    // A list goes to the all-servers and recent models and to the latency
    // probes; an empty one is asked for again after NetworkApi::networkInterval().
    void onRequestServerListFinished(const Servers &servers);
    void onSettingsActionClicked();
    void onShowMinimizedMessage();
    void onTriggeredClicked();

private:
    void initializeWindowState();
    void atQuit();

    QGuiApplication &m_application;
    QQmlApplicationEngine *m_engine = nullptr;
    QTranslator *m_translator = nullptr;
    ServiceController *m_serviceController = nullptr;
    DockHandler *m_dockHandler = nullptr;
    SystemTray *m_systemTray = nullptr;
    Theme *m_theme = nullptr;
    ServerListModel *m_recomendedServersModel = nullptr;
    ServerListModel *m_serverListModel = nullptr;
    ServerListModel *m_recentServersModel = nullptr;
    MultiPing *m_multiPing = nullptr;
    NetworkApi *m_networkApi = nullptr;
    OpenVpnNetworkInterfaces *m_networkInterfaces = nullptr;
    bool m_serviceRunning = false;
    bool m_serviceError = false;
};
