#include "singleinstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void secondInstanceDeliversOneMessage();
    void leftoversDoNotBlockAStart_data();
    void leftoversDoNotBlockAStart();
    void otherIdsAreIndependent();

private:
    QTemporaryDir m_runtime;
};

void TestSingleInstance::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    QFile::setPermissions(m_runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
}

void TestSingleInstance::secondInstanceDeliversOneMessage()
{
    SingleInstance first(QStringLiteral("Test App"));
    QVERIFY(!first.isRunning());
    QSignalSpy received(&first, &SingleInstance::messageReceived);

    SingleInstance second(QStringLiteral("Test App"));
    QVERIFY(second.isRunning());
    QVERIFY(second.sendMessage(QString(), 5000));
    QVERIFY(received.wait(5000));
    QVERIFY(second.sendMessage(QStringLiteral("raise ✓"), 5000));
    QTRY_COMPARE(received.count(), 2);
    // The liveness probe of the second start delivered nothing of its own.
    QTest::qWait(100);
    QCOMPARE(received.count(), 2);
    QCOMPARE(received.at(0).at(0).toString(), QString());
    QCOMPARE(received.at(1).at(0).toString(), QStringLiteral("raise ✓"));
}

void TestSingleInstance::leftoversDoNotBlockAStart_data()
{
    QTest::addColumn<QByteArray>("lockContent");
    QTest::addColumn<bool>("socketFile");
    QTest::newRow("lock of a dead process") << QByteArray("999999\nvpnclient\nhost\n") << false;
    QTest::newRow("garbage lock") << QByteArray("\x01\x02garbage") << false;
    QTest::newRow("empty lock and stale socket file") << QByteArray() << true;
    QTest::newRow("lock of this live process, nobody listening")
        << QByteArray::number(QCoreApplication::applicationPid()) + "\nx\n\n"
        << true;
}

void TestSingleInstance::leftoversDoNotBlockAStart()
{
    QFETCH(QByteArray, lockContent);
    QFETCH(bool, socketFile);
    const QString id = QStringLiteral("Crashed %1").arg(QTest::currentDataTag());
    QString lockPath;
    QString socketPath;
    {
        // Learn the paths from an instance, then leave its files behind as a crash would.
        SingleInstance probe(id);
        lockPath = probe.lockPath();
        socketPath = probe.socketPath();
    }
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(lockContent);
    lock.close();
    if (socketFile) {
        QFile socket(socketPath);
        QVERIFY(socket.open(QIODevice::WriteOnly));
    }

    SingleInstance next(id);
    QVERIFY(!next.isRunning());
    SingleInstance after(id);
    QVERIFY(after.isRunning());
    QSignalSpy received(&next, &SingleInstance::messageReceived);
    QVERIFY(after.sendMessage(QStringLiteral("hi"), 5000));
    QVERIFY(received.wait(5000));
}

void TestSingleInstance::otherIdsAreIndependent()
{
    SingleInstance a(QStringLiteral("App A"));
    SingleInstance b(QStringLiteral("App B"));
    QVERIFY(!a.isRunning());
    QVERIFY(!b.isRunning());
    QVERIFY(!a.sendMessage(QStringLiteral("x"), 100));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
