#include "systemtray.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {
enum class Picture { Grey, Colour };

qint64 iconKey(const SystemTray &tray)
{
    return tray.trayIcon()->icon().cacheKey();
}

bool shows(const SystemTray &tray, Picture picture)
{
    const QIcon expected = picture == Picture::Grey ? tray.greyIcon() : tray.normalIcon();
    return iconKey(tray) == expected.cacheKey();
}

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    const QList<QAction *> actions = menu->actions();
    for (const QAction *action : actions)
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// Balloon tips are the tray's notifications on a desktop without a
// notification service.
int visibleBalloons()
{
    int count = 0;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (const QWidget *widget : widgets)
        count += widget->isVisible() && qstrcmp(widget->metaObject()->className(), "QBalloonTip") == 0;
    return count;
}
} // namespace

Q_DECLARE_METATYPE(ConnectionState::Id)

class TestSystemTray : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QSystemTrayIcon::isSystemTrayAvailable(), "the test needs a system tray");
    }

    // Runs first: the flashing phase is shared by the process and starts grey.
    void flashingStartsGreyAtTheFirstTick()
    {
        SystemTray tray;
        tray.setIconState(SystemTray::Active);
        QVERIFY(shows(tray, Picture::Colour));

        tray.setIconState(SystemTray::Flashing);
        QVERIFY(tray.isFlashing());
        QVERIFY2(shows(tray, Picture::Colour), "flashing changes the picture only at the ticks");
        QTRY_VERIFY_WITH_TIMEOUT(shows(tray, Picture::Grey), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(shows(tray, Picture::Colour), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(shows(tray, Picture::Grey), 5000);

        tray.showConnectionState(ConnectionState::Id::Connected, true);
        QVERIFY(!tray.isFlashing());
        QVERIFY(shows(tray, Picture::Colour));
    }

    void startsGreyWithItsMenu()
    {
        SystemTray tray;
        QVERIFY(tray.trayIcon()->isVisible());
        QVERIFY(shows(tray, Picture::Grey));
        QCOMPARE(actionTexts(tray.menu()), QStringList({"", "Settings", "-", "Exit"}));
        QCOMPARE(tray.trayIcon()->contextMenu(), tray.menu());
    }

    void greyPicture_data()
    {
        QTest::addColumn<QRgb>("pixel");
        QTest::addColumn<QRgb>("grey");
        QTest::newRow("white") << qRgba(255, 255, 255, 255) << qRgba(255, 255, 255, 85);
        QTest::newRow("red") << qRgba(255, 0, 0, 255) << qRgba(87, 87, 87, 85);
        QTest::newRow("green") << qRgba(0, 255, 0, 255) << qRgba(127, 127, 127, 85);
        QTest::newRow("blue") << qRgba(0, 0, 255, 255) << qRgba(39, 39, 39, 85);
        QTest::newRow("half transparent green") << qRgba(53, 203, 115, 128) << qRgba(137, 137, 137, 42);
        QTest::newRow("transparent") << qRgba(0, 0, 0, 0) << qRgba(0, 0, 0, 0);
    }

    void greyPicture()
    {
        QFETCH(QRgb, pixel);
        QFETCH(QRgb, grey);
        QImage image(3, 2, QImage::Format_ARGB32);
        image.fill(pixel);
        const QImage result = SystemTray::greyImage(image);
        QCOMPARE(result.format(), QImage::Format_ARGB32);
        QCOMPARE(result.size(), image.size());
        QCOMPARE(result.pixel(2, 1), grey);
    }

    void greyIconIsTheApplicationIconInGrey()
    {
        SystemTray tray;
        const QImage normal = tray.normalIcon().pixmap(64).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage grey = tray.greyIcon().pixmap(64).toImage().convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!normal.isNull());
        const QRgb centre = normal.pixel(normal.width() / 2, normal.height() / 4);
        QVERIFY2(qRed(centre) != qGreen(centre), "the application icon has colour");
        const QRgb greyCentre = grey.pixel(grey.width() / 2, grey.height() / 4);
        QCOMPARE(qRed(greyCentre), qGreen(greyCentre));
        QCOMPARE(qGreen(greyCentre), qBlue(greyCentre));
        QVERIFY(qAlpha(greyCentre) < qAlpha(centre));
    }

    void menuPerState_data()
    {
        QTest::addColumn<ConnectionState::Id>("state");
        QTest::addColumn<bool>("connectAllowed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("icon");
        using S = ConnectionState::Id;
        QTest::newRow("disconnected")
            << S::Disconnected << true << "Connect" << true << int(SystemTray::Inactive);
        QTest::newRow("disconnected, theme editor")
            << S::Disconnected << false << "Connect" << false << int(SystemTray::Inactive);
        QTest::newRow("preparing") << S::Preparing << true << "Preparing" << false
                                   << int(SystemTray::Inactive);
        QTest::newRow("connecting") << S::Connecting << true << "Connecting..." << false
                                    << int(SystemTray::Flashing);
        QTest::newRow("connected") << S::Connected << true << "Disconnect" << true << int(SystemTray::Active);
        QTest::newRow("connected, theme editor")
            << S::Connected << false << "Disconnect" << true << int(SystemTray::Active);
        QTest::newRow("disconnecting")
            << S::Disconnecting << true << "Disconnecting..." << false << int(SystemTray::Flashing);
        QTest::newRow("reconnecting")
            << S::Reconnecting << true << "Reconnecting..." << false << int(SystemTray::Flashing);
        QTest::newRow("error") << S::Error << true << "Error!" << false << int(SystemTray::Inactive);
        QTest::newRow("unknown") << S::Unknown << true << "Unknown" << false << int(SystemTray::Inactive);
    }

    void menuPerState()
    {
        QFETCH(ConnectionState::Id, state);
        QFETCH(bool, connectAllowed);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        QFETCH(int, icon);
        SystemTray tray;
        tray.setIconState(SystemTray::Active);
        tray.showConnectionState(state, connectAllowed);
        QCOMPARE(tray.connectDisconnectAction()->text(), text);
        QCOMPARE(tray.connectDisconnectAction()->isEnabled(), enabled);
        QCOMPARE(tray.isFlashing(), icon == SystemTray::Flashing);
        if (icon == SystemTray::Inactive)
            QVERIFY(shows(tray, Picture::Grey));
        else
            QVERIFY2(shows(tray, Picture::Colour),
                     "active shows colour, flashing keeps the picture until a tick");
    }

    void menuActionsEmitTheirSignals()
    {
        SystemTray tray;
        tray.showConnectionState(ConnectionState::Id::Disconnected, true);
        QSignalSpy connectSpy(&tray, &SystemTray::connectDisconnectActionClicked);
        QSignalSpy settingsSpy(&tray, &SystemTray::settingsActionClicked);
        QSignalSpy exitSpy(&tray, &SystemTray::exitActionClicked);
        const QList<QAction *> actions = tray.menu()->actions();
        actions.at(0)->trigger();
        actions.at(1)->trigger();
        actions.at(3)->trigger();
        QCOMPARE(connectSpy.count(), 1);
        QCOMPARE(settingsSpy.count(), 1);
        QCOMPARE(exitSpy.count(), 1);
    }

    void quitModeLeavesOnlyExit()
    {
        SystemTray tray;
        tray.showConnectionState(ConnectionState::Id::Connected, true);
        tray.setQuitMode();
        QCOMPARE(actionTexts(tray.menu()), QStringList({"Exit"}));
        // A later state change no longer brings the item back.
        tray.showConnectionState(ConnectionState::Id::Disconnected, true);
        QCOMPARE(actionTexts(tray.menu()), QStringList({"Exit"}));
    }

    void enablingTheMenu()
    {
        SystemTray tray;
        QVERIFY(tray.isEnabled());
        tray.setEnabled(false);
        QVERIFY(!tray.isEnabled());
    }

    void toolTip()
    {
        SystemTray tray;
        tray.setToolTip("Connected: US, Denver");
        QCOMPARE(tray.trayIcon()->toolTip(), QString("Connected: US, Denver"));
    }

    void stateMessage_data()
    {
        QTest::addColumn<ConnectionState::Id>("state");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("message");
        using S = ConnectionState::Id;
        QTest::newRow("disconnected") << S::Disconnected << "US, Denver"
                                      << "Disconnected";
        QTest::newRow("connected with a server") << S::Connected << "US, Denver"
                                                 << "Connected: US, Denver";
        QTest::newRow("connected without a server") << S::Connected << ""
                                                    << "Connected";
        QTest::newRow("connecting") << S::Connecting << "US, Denver"
                                    << "";
        QTest::newRow("error") << S::Error << ""
                               << "";
    }

    void stateMessage()
    {
        QFETCH(ConnectionState::Id, state);
        QFETCH(QString, location);
        QFETCH(QString, message);
        QCOMPARE(SystemTray::stateMessage(state, location), message);
    }

    void notifications()
    {
        SystemTray tray;
        tray.showMessage("Veltrano VPN", QString());
        QCoreApplication::processEvents();
        QCOMPARE(visibleBalloons(), 0);
        tray.showMessage("Veltrano VPN", "Veltrano VPN will be keep running in background");
        QTRY_COMPARE(visibleBalloons(), 1);
    }
};

QTEST_MAIN(TestSystemTray)
#include "test_systemtray.moc"
