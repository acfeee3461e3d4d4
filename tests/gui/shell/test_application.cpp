// The Application built as the client builds it, on a virtual desktop with a
// tray and without a network (no vpn-service runs): the window, the tray, the
// functions the application calls in the window, closing to the tray and its
// notification.
#include "application.h"
#include "settings.h"
#include "systemtray.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {
int visibleBalloons()
{
    int count = 0;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (const QWidget *widget : widgets)
        count += widget->isVisible() && qstrcmp(widget->metaObject()->className(), "QBalloonTip") == 0;
    return count;
}

void hideBalloons()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (qstrcmp(widget->metaObject()->className(), "QBalloonTip") == 0)
            widget->hide();
    }
}

// Runs the event loop until a moment after the application's own 500 ms
// timer: timers fire in the order they fall due.
void passTheMinimizedMessageTimer()
{
    QTimer marker;
    marker.setSingleShot(true);
    QSignalSpy spy(&marker, &QTimer::timeout);
    marker.start(700);
    QVERIFY(spy.wait(10000));
}

QWindow *windowNamed(const QString &name)
{
    const QWindowList windows = QGuiApplication::allWindows();
    for (QWindow *window : windows) {
        if (window->objectName() == name)
            return window;
    }
    return nullptr;
}
} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QSystemTrayIcon::isSystemTrayAvailable(), "the test needs a system tray");
        QString error;
        QVERIFY(Application::validInstallation(error));
        m_application = std::make_unique<Application>(*qApp);
        QVERIFY(m_application->initialized());
        m_window = m_application->mainWindow();
        QVERIFY(m_window);
    }

    void cleanupTestCase() { m_application.reset(); }

    void startsWithTheWindowAndTheTray()
    {
        QTRY_VERIFY(m_window->isVisible());
        QCOMPARE(m_window->title(), Settings::titleName());
        QCOMPARE(m_window->size(), QSize(400, 650));
        SystemTray *tray = m_application->systemTray();
        QVERIFY(tray->trayIcon()->isVisible());
        QCOMPARE(tray->connectDisconnectAction()->text(), QString("Connect"));
        QVERIFY(tray->connectDisconnectAction()->isEnabled());
        QVERIFY(!tray->isFlashing());
    }

    void missingServiceShowsTheBanner()
    {
        QVERIFY(!m_application->serviceIsRunning());
        QTRY_VERIFY(m_window->property("serviceError").toBool());
        auto *banner = m_window->findChild<QObject *>(QStringLiteral("criticalErrorArea"));
        QVERIFY(banner);
        QVERIFY(banner->property("visible").toBool());
        QCOMPARE(banner->property("text").toString(), QString("System service is not running!"));
    }

    void closingKeepsTheClientInTheTray_data()
    {
        QTest::addColumn<QString>("desktopSession");
        QTest::addColumn<bool>("notifications");
        QTest::addColumn<QWindow::Visibility>("visibility");
        QTest::addColumn<int>("balloons");
        QTest::newRow("notifications on") << "xfce" << true << QWindow::Hidden << 1;
        QTest::newRow("notifications off") << "xfce" << false << QWindow::Hidden << 0;
        QTest::newRow("Ubuntu") << "ubuntu" << true << QWindow::Minimized << 0;
    }

    void closingKeepsTheClientInTheTray()
    {
        QFETCH(QString, desktopSession);
        QFETCH(bool, notifications);
        QFETCH(QWindow::Visibility, visibility);
        QFETCH(int, balloons);
        qputenv("DESKTOP_SESSION", desktopSession.toUtf8());
        Settings::instance()->setShowNotifications(notifications);
        hideBalloons();
        m_application->invokeMethodInQml(QStringLiteral("raiseMainWindow"));
        QTRY_VERIFY(m_window->isVisible());

        m_window->close();
        QTRY_COMPARE(m_window->visibility(), visibility);
        passTheMinimizedMessageTimer();
        QCOMPARE(visibleBalloons(), balloons);
        qunsetenv("DESKTOP_SESSION");
        Settings::instance()->setShowNotifications(true);
    }

    void secondStartRaisesTheWindow()
    {
        m_window->hide();
        QTRY_VERIFY(!m_window->isVisible());
        m_application->messageReceived(QString());
        QTRY_VERIFY(m_window->isVisible());
        QCOMPARE(m_window->visibility(), QWindow::Windowed);
    }

    void traySettingsItemOpensTheSettingsWindow()
    {
        m_application->systemTray()->menu()->actions().at(1)->trigger();
        QWindow *settingsWindow = windowNamed(QStringLiteral("settingsWindow"));
        QVERIFY(settingsWindow);
        QTRY_VERIFY(settingsWindow->isVisible());
        QCOMPARE(settingsWindow->size(), QSize(600, 650));
        QVERIFY(m_window->isVisible());
        settingsWindow->close();
        QTRY_VERIFY(!settingsWindow->isVisible());
    }

    // Without the service the button is disabled, and so is the tray's way to it.
    void trayConnectItemRunsTheButtonAction()
    {
        auto *button = m_window->findChild<QObject *>(QStringLiteral("connectButton"));
        QVERIFY(button);
        QVERIFY(!button->property("enabled").toBool());
        m_application->systemTray()->menu()->actions().at(0)->trigger();
        QVERIFY(m_window->isVisible());
    }

private:
    std::unique_ptr<Application> m_application;
    QWindow *m_window = nullptr;
};

QTEST_MAIN(TestApplication)
#include "test_application.moc"
