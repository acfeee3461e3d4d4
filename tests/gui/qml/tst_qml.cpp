// Qt Quick Tests of the windows and controls (tst_*.qml in this folder).
//
// Every test file gets the real theme, settings and server list models, the
// embedded QML documents, and stand-ins for the objects beyond the window's
// boundary (the connection controller, the application, the logger) from
// standins/. A "fixture" object loads server directories into the models,
// changes theme values and saves screenshots.
#include "qmltypes.h"
#include "serverlistmodel.h"
#include "settings.h"
#include "theme.h"
#include "themeproperty.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QWidget>
#include <QtQuickTest>

namespace {
const QString standInDir = QStringLiteral(VPN_QML_TEST_DIR "/standins/");

Servers readDirectory()
{
    QFile file(QStringLiteral(VPN_QML_TEST_DIR "/data/servers.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("the server directory of the tests is missing");
    Servers servers;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char(';'));
        servers.append(Server(f[3], f[0], f[1], f[2], f[3], f[4].toInt(), 0.5f, 0));
    }
    return servers;
}
} // namespace

class QmlFixture : public QObject
{
    Q_OBJECT

public:
    QmlFixture(Theme *theme, ServerListModel *recommended, ServerListModel *all, ServerListModel *recent,
               QObject *parent)
        : QObject(parent),
          m_theme(theme),
          m_recommended(recommended),
          m_all(all),
          m_recent(recent),
          m_themeDefaults(theme->themePropertiesMap()),
          m_darkStyle(theme->darkStyle())
    { }

    // The test directory arrives in all three lists, as the application
    // hands them out; the recommended list holds one server of each of the
    // first countries.
    Q_INVOKABLE void loadServers()
    {
        const Servers servers = readDirectory();
        Servers recommended;
        QStringList countries;
        for (const Server &server : servers) {
            if (countries.contains(server.countryCode()) || recommended.size() >= 8)
                continue;
            countries << server.countryCode();
            recommended << server;
        }
        m_all->createServerList(servers, true);
        m_recent->createRecentServerList(servers);
        m_recommended->setServerList(recommended);
    }

    Q_INVOKABLE void appendRecentServer(const QString &ip)
    {
        m_recent->appendRecentServer(Server::findServerByIp(m_all->sourceServerList(), ip));
    }

    // Sets one theme value as the theme editor does, valid or not.
    Q_INVOKABLE void setThemeValue(const QString &id, const QVariant &value)
    {
        ThemeProperty property = m_theme->themePropertiesMap().value(id);
        property.setData(value);
        m_theme->themePropertyChanged(property);
    }

    // Puts back every theme value the theme started with.
    Q_INVOKABLE void resetTheme()
    {
        for (const ThemeProperty &property : qAsConst(m_themeDefaults))
            m_theme->themePropertyChanged(property);
        // The style's table entry need not match the style in use.
        setThemeValue(QStringLiteral("appPropertyDarkStyle"), m_darkStyle);
    }

    // Saves a picture of the window as <artifacts>/<name>.png.
    Q_INVOKABLE bool saveScreenshot(QObject *window, const QString &name)
    {
        auto *quickWindow = qobject_cast<QQuickWindow *>(window);
        return quickWindow && save(quickWindow->grabWindow(), name);
    }

    // Saves a picture of the visible top-level window with that title (a
    // dialog the window opened), whether Qt Quick or widgets draw it.
    Q_INVOKABLE bool saveDialogScreenshot(const QString &title, const QString &name)
    {
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            if (widget->isVisible() && widget->windowTitle() == title)
                return save(widget->grab().toImage(), name);
        }
        const QWindowList windows = QGuiApplication::topLevelWindows();
        for (QWindow *window : windows) {
            auto *quickWindow = qobject_cast<QQuickWindow *>(window);
            if (quickWindow && quickWindow->isVisible() && quickWindow->title() == title)
                return save(quickWindow->grabWindow(), name);
        }
        return false;
    }

    // The title of every visible top-level window.
    Q_INVOKABLE QStringList visibleWindowTitles() const
    {
        QStringList titles;
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (const QWidget *widget : widgets) {
            if (widget->isVisible())
                titles << widget->windowTitle();
        }
        const QWindowList windows = QGuiApplication::topLevelWindows();
        for (const QWindow *window : windows) {
            if (window->isVisible() && qobject_cast<const QQuickWindow *>(window))
                titles << window->title();
        }
        return titles;
    }

    // Closes every visible widget window with that title, as its close button does.
    Q_INVOKABLE void closeWidgetWindow(const QString &title)
    {
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            if (widget->isVisible() && widget->windowTitle() == title)
                widget->close();
        }
    }

private:
    static bool save(const QImage &image, const QString &name)
    {
        const QString dir = QStringLiteral(VPN_ARTIFACTS_DIR);
        return !image.isNull() && QDir().mkpath(dir) && image.save(dir + QLatin1Char('/') + name + ".png");
    }

    Theme *m_theme;
    ServerListModel *m_recommended;
    ServerListModel *m_all;
    ServerListModel *m_recent;
    const QMap<QString, ThemeProperty> m_themeDefaults;
    const bool m_darkStyle;
};

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable() { QmlTypes::registerTypes(); }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        auto *theme = new Theme(engine);
        auto *recommended = new ServerListModel(ServerListModel::Recommended, engine);
        auto *all = new ServerListModel(ServerListModel::AllServers, engine);
        auto *recent = new ServerListModel(ServerListModel::RecentServers, engine);
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("uiStyle"), theme);
        context->setContextProperty(QStringLiteral("settings"), Settings::instance());
        context->setContextProperty(QStringLiteral("recomendedServersModel"), recommended);
        context->setContextProperty(QStringLiteral("serverListModel"), all);
        context->setContextProperty(QStringLiteral("recentServersModel"), recent);
        context->setContextProperty(QStringLiteral("fixture"),
                                    new QmlFixture(theme, recommended, all, recent, engine));
        context->setContextProperty(QStringLiteral("vpnCore"), standIn(engine, "VpnCore.qml"));
        context->setContextProperty(QStringLiteral("qmlApp"), standIn(engine, "Application.qml"));
        context->setContextProperty(QStringLiteral("logger"), standIn(engine, "Logger.qml"));
    }

private:
    static QObject *standIn(QQmlEngine *engine, const char *file)
    {
        QQmlComponent component(engine, QUrl::fromLocalFile(standInDir + QLatin1String(file)));
        QObject *object = component.create();
        if (!object)
            qFatal("stand-in %s: %s", file, qPrintable(component.errorString()));
        object->setParent(engine);
        return object;
    }
};

int main(int argc, char **argv)
{
    // Settings, favorites and recent servers of a home of their own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    // Widgets as in the client: the message dialog is a widget dialog there too.
    QApplication application(argc, argv);
    Setup setup;
    return quick_test_main_with_setup(argc, argv, "qml", VPN_QML_TEST_DIR, &setup);
}

#include "tst_qml.moc"
