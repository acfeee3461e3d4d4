#include "clientfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestClientFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void appendGoesToTheEnd();
};

void TestClientFile::read_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("uidOffset");
    QTest::addColumn<bool>("ok");

    QTest::newRow("own file") << "file" << 0 << true;
    QTest::newRow("file of another user") << "file" << 1 << false;
    QTest::newRow("final link") << "link" << 0 << false;
    QTest::newRow("fifo") << "fifo" << 0 << false;
    QTest::newRow("directory") << "directory" << 0 << false;
    QTest::newRow("second name") << "hardlink" << 0 << false;
    QTest::newRow("too large") << "large" << 0 << false;
    QTest::newRow("missing") << "missing" << 0 << false;
}

void TestClientFile::read()
{
    QFETCH(QString, kind);
    QFETCH(int, uidOffset);
    QFETCH(bool, ok);

    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target"));
    const QString path = dir.filePath(QStringLiteral("named"));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kind == QLatin1String("large") ? QByteArray(ClientFile::maxConfigSize + 1, 'x') : "verb 3\n");
    file.close();
    if (kind == QLatin1String("file") || kind == QLatin1String("large"))
        QVERIFY(QFile::rename(target, path));
    else if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(target, path));
    else if (kind == QLatin1String("hardlink"))
        QVERIFY(::link(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0);
    else if (kind == QLatin1String("fifo"))
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir().mkdir(path));

    // Root may name any file; every other user only their own.
    const uint uid = ::geteuid() == 0 && uidOffset ? 4242 : ::geteuid() + uidOffset;
    if (::geteuid() == 0 && uidOffset)
        QVERIFY(::chown(QFile::encodeName(path).constData(), 4343, 4343) == 0);
    QByteArray content;
    QString error;
    QCOMPARE(ClientFile::read(path, uid, ClientFile::maxConfigSize, &content, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (ok)
        QCOMPARE(content, QByteArray("verb 3\n"));
}

void TestClientFile::appendGoesToTheEnd()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x-vpn.log"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("first\n");
    file.close();
    QString error;
    const int fd = ClientFile::openForAppend(path, ::geteuid(), &error);
    QVERIFY2(fd >= 0, qPrintable(error));
    QCOMPARE(::write(fd, "second\n", 7), ssize_t(7));
    ::close(fd);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("first\nsecond\n"));
    QCOMPARE(ClientFile::openForAppend(dir.filePath(QStringLiteral("missing.log")), ::geteuid(), &error), -1);
}

QTEST_GUILESS_MAIN(TestClientFile)
#include "test_clientfile.moc"
