#include "autostart.h"

#include <QtTest>

class TestAutoStart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void entryLocation();
    void enableAndDisable();
    void readBack_data();
    void readBack();

private:
    QString entryPath() const
    {
        return m_config.path() + QStringLiteral("/autostart/%1.desktop").arg(AutoStart::desktopFileName());
    }
    QTemporaryDir m_config;
};

void TestAutoStart::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestAutoStart::cleanup()
{
    QFile::remove(entryPath());
}

void TestAutoStart::entryLocation()
{
    QCOMPARE(AutoStart::desktopFileName(), QStringLiteral("test_autostart"));
    QCOMPARE(AutoStart::desktopFilePath(), entryPath());
}

void TestAutoStart::enableAndDisable()
{
    QVERIFY(!AutoStart::enabled());

    QTest::ignoreMessage(QtInfoMsg, "AutoStart: Set enabled: 'true', status 'true'");
    QVERIFY(AutoStart::setEnabled(true));
    QVERIFY(AutoStart::enabled());
    QFile file(entryPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nType=Application\n"));
    QVERIFY(text.contains("\nName=Veltrano VPN\n"));
    QVERIFY(text.contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + '\n'));
    // Written whole, through a temporary file beside it.
    QCOMPARE(QDir(m_config.path() + QStringLiteral("/autostart")).entryList(QDir::Files),
             QStringList {AutoStart::desktopFileName() + QStringLiteral(".desktop")});

    QTest::ignoreMessage(QtInfoMsg, "AutoStart: Set enabled: 'true', status 'true'");
    QVERIFY(AutoStart::setEnabled(true));

    QTest::ignoreMessage(QtInfoMsg, "AutoStart: Set enabled: 'false', status 'true'");
    QVERIFY(!AutoStart::setEnabled(false));
    QVERIFY(!QFile::exists(entryPath()));
    QVERIFY(!AutoStart::enabled());

    QTest::ignoreMessage(QtInfoMsg, "AutoStart: Set enabled: 'false', status 'true'");
    QVERIFY(!AutoStart::setEnabled(false));
}

void TestAutoStart::readBack_data()
{
    QTest::addColumn<QByteArray>("extra");
    QTest::addColumn<bool>("otherProgram");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("as written") << QByteArray() << false << true;
    QTest::newRow("hidden") << QByteArray("Hidden=true\n") << false << false;
    QTest::newRow("switched off") << QByteArray("X-GNOME-Autostart-enabled=false\n") << false << false;
    QTest::newRow("other program") << QByteArray() << true << false;
}

void TestAutoStart::readBack()
{
    QFETCH(QByteArray, extra);
    QFETCH(bool, otherProgram);
    QFETCH(bool, enabled);

    QVERIFY(QDir().mkpath(m_config.path() + QStringLiteral("/autostart")));
    QFile file(entryPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray program = otherProgram ? QByteArray("/opt/other/vpnclient")
                                            : QCoreApplication::applicationFilePath().toUtf8();
    file.write("[Desktop Entry]\nType=Application\nExec=" + program + '\n' + extra);
    file.close();
    QCOMPARE(AutoStart::enabled(), enabled);

    // Enabling repairs an entry that does not start this program.
    AutoStart::setEnabled(true);
    QVERIFY(AutoStart::enabled());
}

QTEST_GUILESS_MAIN(TestAutoStart)
#include "test_autostart.moc"
