#include "application.h"

#include "buildconfig.h"
#include "comboboxlistmodel.h"
#include "dockhandler.h"
#include "logger.h"
#include "multiping.h"
#include "networkapi.h"
#include "openvpnnetworkinterfaces.h"
#include "qmltypes.h"
#include "serverlistmodel.h"
#include "servicecontroller.h"
#include "settings.h"
#include "sysinfo.h"
#include "systemtray.h"
#include "theme.h"
#include "utils.h"
#include "vpnclient.h"
#include "wireguard.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QSslSocket>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTranslator>
#include <QtQml>

namespace {
// Set once the start-up work that waits for the service link has run.
bool initialConnectionStatusHandled = false;

void info(const QString &text)
{
    qInfo().noquote() << QStringLiteral("Application: ") + text;
}
} // namespace

Application::Application(QGuiApplication &application) : m_application(application)
{
    setObjectName(QStringLiteral("Application"));
    Logger::instance();
    printSystemInfo();

    Settings *settings = Settings::instance();
    connect(settings, &Settings::languageChanged, this, &Application::onLanguageChanged);
    onLanguageChanged(settings->language());

    m_serviceController = new ServiceController(!themeEditorMode(), this);
    connect(m_serviceController, &ServiceController::initialConnectionStatusChanged, this,
            &Application::onInitialConnectionStatusChanged);

    QmlTypes::registerTypes();

    m_dockHandler = new DockHandler(this);
    m_dockHandler->registerHandler();
    connect(m_dockHandler, &DockHandler::clicked, this, &Application::onTriggeredClicked);

    m_systemTray = new SystemTray(this);
    updateSystemTrayMenuItem(ConnectionState::Id::Disconnected);
    connect(m_systemTray, &SystemTray::connectDisconnectActionClicked, this,
            &Application::onConnectDisconnectActionClicked);
    connect(m_systemTray, &SystemTray::exitActionClicked, this, &Application::onExitActionClicked);
    connect(m_systemTray, &SystemTray::settingsActionClicked, this, &Application::onSettingsActionClicked);
    connect(m_systemTray, &SystemTray::triggeredClicked, this, &Application::onTriggeredClicked);

    m_theme = new Theme(this);
    m_recomendedServersModel = new ServerListModel(ServerListModel::Recommended, this);
    m_serverListModel = new ServerListModel(ServerListModel::AllServers, this);
    m_recentServersModel = new ServerListModel(ServerListModel::RecentServers, this);

    m_networkApi = new NetworkApi(this);
    connect(m_networkApi, &NetworkApi::requestServerListFinished, this,
            &Application::onRequestServerListFinished);

    // The recommended list: the fastest server of each of the fastest countries.
    m_multiPing = new MultiPing(this);
    connect(m_multiPing, &MultiPing::lastRequestFinished, this, &Application::onLastPingRequestFinished);

    m_engine = new QQmlApplicationEngine(this);
    QQmlContext *context = m_engine->rootContext();
    context->setContextProperty(QStringLiteral("themeSettings"), settings);
    context->setContextProperty(QStringLiteral("uiStyle"), m_theme);
    context->setContextProperty(QStringLiteral("settings"), settings);
    context->setContextProperty(QStringLiteral("logger"), Logger::instance());
    context->setContextProperty(QStringLiteral("qmlApp"), this);
    context->setContextProperty(QStringLiteral("recomendedServersModel"), m_recomendedServersModel);
    context->setContextProperty(QStringLiteral("serverListModel"), m_serverListModel);
    context->setContextProperty(QStringLiteral("recentServersModel"), m_recentServersModel);
    context->setContextProperty(QStringLiteral("tcpComboBoxListModel"), new ComboBoxListModel(true, this));
    QCoreApplication::setOrganizationName(QStringLiteral("VPNClient"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("VPNClient"));

    m_engine->load(QUrl(Settings::qmlPath(QStringLiteral("main.qml"))));

    m_networkInterfaces = new OpenVpnNetworkInterfaces(this);
    m_networkInterfaces->refresh(true);
    if (!m_networkInterfaces->isEmpty()) {
        m_networkInterfaces->print();
        // The settings apply the MTU to these interfaces.
        QVector<int> interfaceIds;
        const QVector<NetworkInterface> interfaces = m_networkInterfaces->list();
        for (const NetworkInterface &networkInterface : interfaces)
            interfaceIds << networkInterface.id();
        settings->setCurrentNetworkInterfacesList(interfaceIds);
    }

    m_serviceRunning = !serviceExecutablePath().isEmpty();
    if (!themeEditorMode()) {
        const QString text
            = QStringLiteral("vpn-service is running: %1").arg(Utils::boolString(m_serviceRunning));
        if (m_serviceRunning)
            info(text);
        else
            qCritical().noquote() << objectName() + QStringLiteral(": ") + text;
    }
    if (!m_serviceRunning) {
        m_serviceController->forceQuit();
        m_serviceError = true;
        onInitialConnectionStatusChanged();
    }

    initializeWindowState();
    requestWirequardData();

    // The theme editor has no service link to wait for.
    if (themeEditorMode())
        onInitialConnectionStatusChanged();
}

Application::~Application()
{
    info(QStringLiteral("Request to quit"));
    atQuit();
}

bool Application::validInstallation(QString &error)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return true;
    error = QStringLiteral("Couldn't detect any system tray on this system.");
    return false;
}

bool Application::themeEditorMode()
{
    return Settings::titleName() == QLatin1String("Themeditor");
}

bool Application::initialized()
{
    if (m_engine->rootObjects().isEmpty()) {
        setErrorMode(QStringLiteral("Cannot initialize QML engine!"));
        return false;
    }
    if (m_networkInterfaces->isEmpty()) {
        setErrorMode(QStringLiteral("Cannot find usable network interfaces!"));
        return false;
    }
    if (!Settings::instance()->isWritable()) {
        setErrorMode(
            QStringLiteral("Settings are not writeable! Check '%1'").arg(Settings::instance()->fileName()));
        return false;
    }
    return true;
}

QString Application::serviceExecutablePath() const
{
    const QString path = Utils::platformExecutable(QStringLiteral("vpn-service"), true);
    return Utils::processIsRunning(path, true) ? path : QString();
}

QString Application::applicationDirPath() const
{
    return QCoreApplication::applicationDirPath();
}

bool Application::desktopSessionUbuntu() const
{
    return qEnvironmentVariable("DESKTOP_SESSION") == QLatin1String("ubuntu");
}

bool Application::runningOnLinux() const
{
    return true;
}

bool Application::runningOnMacOS() const
{
    return false;
}

bool Application::runningOnWindows() const
{
    return false;
}

void Application::scheduleMinimizedMessage()
{
    QTimer::singleShot(500, this, &Application::onShowMinimizedMessage);
}

QWindow *Application::mainWindow() const
{
    const QList<QObject *> roots = m_engine->rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QWindow *>(roots.first());
}

void Application::invokeMethodInQml(const QString &name)
{
    QWindow *window = mainWindow();
    if (!window) {
        qCritical().noquote() << objectName() + QStringLiteral(": Cannot get parent window");
        return;
    }
    if (!QMetaObject::invokeMethod(window, name.toUtf8().constData(), Qt::AutoConnection))
        qCritical().noquote() << objectName() + QStringLiteral(": Cannot invoke method '%1'").arg(name);
}

void Application::setErrorMode(const QString &text)
{
    qCritical().noquote() << objectName() + ": " + text;
    m_systemTray->setQuitMode();
}

void Application::updateSystemTrayMenuItem(ConnectionState::Id state)
{
    m_systemTray->showConnectionState(state, !themeEditorMode());
}

void Application::printSystemInfo()
{
    const QString version = QString::fromUtf8(BuildConfig::version);
    if (!version.isEmpty())
        info(QStringLiteral("%1 version '%2', date: '%3', revision: '%4'")
                 .arg(Settings::titleName(), version, QString::fromUtf8(BuildConfig::buildDate),
                      QString::fromUtf8(BuildConfig::revision)));
    info(QStringLiteral("Started on %1, %2")
             .arg(SysInfo::prettyProductName(), SysInfo::currentCpuArchitecture()));
    info(QStringLiteral("OpenSSL for Qt: %1").arg(QSslSocket::sslLibraryBuildVersionString()));
}

void Application::initializeWindowState()
{
    QWindow *window = mainWindow();
    if (!window)
        return;
    switch (Settings::instance()->startMinimized()) {
    case 2:
        window->showMinimized();
        break;
    case 1:
        window->hide();
        break;
    default:
        window->show();
        break;
    }
}

void Application::setFavorite(const QString &serverId, bool set)
{
    m_recomendedServersModel->setFavorite(serverId, set);
    m_serverListModel->setFavorite(serverId, set);
    m_recentServersModel->setFavorite(serverId, set);
}

void Application::onLastPingRequestFinished(const QStringList &data)
{
    const Servers recommended
        = ServerListModel::fastestPerCountry(m_serverListModel->sourceServerList(), data);
    Server::printData(recommended, QStringLiteral("Recommended servers"));
    m_recomendedServersModel->setServerList(recommended);
}

void Application::messageReceived(const QString &)
{
    info(QStringLiteral("Message to show app on top"));
    onTriggeredClicked();
}

void Application::onTriggeredClicked()
{
    invokeMethodInQml(QStringLiteral("raiseMainWindow"));
}

void Application::onConnectDisconnectActionClicked()
{
    invokeMethodInQml(QStringLiteral("triggerVpnState"));
}

void Application::onSettingsActionClicked()
{
    invokeMethodInQml(QStringLiteral("raiseSettingsWindow"));
}

void Application::onExitActionClicked()
{
    m_systemTray->setEnabled(false);
    QCoreApplication::quit();
}

void Application::onShowMinimizedMessage()
{
    if (!Settings::instance()->showNotifications() || desktopSessionUbuntu())
        return;
    m_systemTray->showMessage(Settings::titleName(),
                              Settings::titleName() + QLatin1Char(' ')
                                  + tr("will be keep running in background"));
}

void Application::onLanguageChanged(const QString &language)
{
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
        m_translator = nullptr;
    }
    if (!language.isEmpty() && language != QLatin1String("en")) {
        m_translator = new QTranslator(this);
        if (m_translator->load(QStringLiteral("vpnclient_%1").arg(language),
                               QStringLiteral(":/src/translations"))) {
            QCoreApplication::installTranslator(m_translator);
        } else {
            qWarning().noquote() << objectName()
                    + QStringLiteral(": Can't install translator for language: '%1'").arg(language);
            delete m_translator;
            m_translator = nullptr;
        }
    }
    if (m_engine)
        m_engine->retranslate();
    if (m_systemTray)
        m_systemTray->retranslateUi();
}

void Application::requestWirequardData()
{
    Settings *settings = Settings::instance();
    if (!settings->vaildCredentials() || !WireGuard::isSupported() || themeEditorMode())
        return;
    // The account of the previous credentials must never serve the next connection.
    VpnClient::setAccount(Account());
    m_networkApi->apiRequestWireguardData(settings->userName(), settings->password());
}

void Application::onRequestServerListFinished(const Servers &servers)
{
    if (servers.isEmpty()) {
        QTimer::singleShot(NetworkApi::networkInterval(), m_networkApi, &NetworkApi::requestServerList);
        return;
    }
    m_serverListModel->createServerList(servers, true);
    m_recentServersModel->createRecentServerList(servers);
    m_multiPing->sendRequest(Server::serverList(servers));
}

void Application::onInitialConnectionStatusChanged()
{
    if (initialConnectionStatusHandled)
        return;
    initialConnectionStatusHandled = true;
    m_networkApi->doRequests();
    if (m_serviceError && !themeEditorMode())
        invokeMethodInQml(QStringLiteral("setCriticalServiceError"));
}

void Application::atQuit()
{
    m_networkApi->disableNewRequests();
    invokeMethodInQml(QStringLiteral("saveUnsavedData"));
    m_serviceController->sendInitCommand();
    // The event loop has ended: write the command out now, or it never leaves.
    m_serviceController->flush();
    info(QStringLiteral("Stopped"));
}
