#include "application.h"

#include "buildconfig.h"
#include "dockhandler.h"
#include "logger.h"
#include "settings.h"
#include "sysinfo.h"
#include "systemtray.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSslSocket>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTranslator>
#include <QtQml>

namespace {
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

    m_dockHandler = new DockHandler(this);
    m_dockHandler->registerHandler();
    connect(m_dockHandler, &DockHandler::clicked, this, &Application::onTriggeredClicked);

    m_systemTray = new SystemTray(this);
    connect(m_systemTray, &SystemTray::connectDisconnectActionClicked, this,
            &Application::onConnectDisconnectActionClicked);
    connect(m_systemTray, &SystemTray::exitActionClicked, this, &Application::onExitActionClicked);
    connect(m_systemTray, &SystemTray::settingsActionClicked, this, &Application::onSettingsActionClicked);
    connect(m_systemTray, &SystemTray::triggeredClicked, this, &Application::onTriggeredClicked);

    const QUrl fontFactory(Settings::qmlPath(QStringLiteral("AFontFactory.qml")));
    if (fontFactory.isRelative())
        qWarning().noquote() << objectName()
                + QStringLiteral(": qmlRegisterSingletonType requires absolute URLs.");
    else
        qmlRegisterSingletonType(fontFactory, "VPNClient", 1, 0, "FontFactory");

    QQuickStyle::setStyle(QStringLiteral("Universal"));
    m_engine = new QQmlApplicationEngine(this);
    QQmlContext *context = m_engine->rootContext();
    context->setContextProperty(QStringLiteral("themeSettings"), settings);
    context->setContextProperty(QStringLiteral("settings"), settings);
    context->setContextProperty(QStringLiteral("logger"), Logger::instance());
    context->setContextProperty(QStringLiteral("qmlApp"), this);
    QCoreApplication::setOrganizationName(QStringLiteral("VPNClient"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("VPNClient"));

    m_engine->load(QUrl(Settings::qmlPath(QStringLiteral("main.qml"))));

    initializeWindowState();
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
    if (!Settings::instance()->isWritable()) {
        setErrorMode(
            QStringLiteral("Settings are not writeable! Check '%1'").arg(Settings::instance()->fileName()));
        return false;
    }
    return true;
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

void Application::atQuit()
{
    invokeMethodInQml(QStringLiteral("saveUnsavedData"));
    info(QStringLiteral("Stopped"));
}
