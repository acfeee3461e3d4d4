#include "resolvconf.h"

#include <QtTest>

#include <sys/stat.h>

namespace {
ino_t inodeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}
} // namespace

class TestResolvConf : public QObject
{
    Q_OBJECT

private slots:
    void nameservers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("servers");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("typical") << QByteArray(
            "# comment\nsearch lan\nnameserver 192.168.1.1\nnameserver fe80::1%eth0\n")
                                 << QStringList {"192.168.1.1", "fe80::1%eth0"};
        QTest::newRow("tabs, no final line end")
            << QByteArray("nameserver\t\t9.9.9.9") << QStringList {"9.9.9.9"};
        QTest::newRow("commented and look-alike lines")
            << QByteArray("# nameserver 1.1.1.1\n;nameserver 2.2.2.2\nnameservers 3.3.3.3\nnameserver\n")
            << QStringList();
    }
    void nameservers()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, servers);
        QCOMPARE(ResolvConf::nameservers(text), servers);
    }

    void withNameservers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("replaced at the first one's place")
            << QByteArray("search lan\nnameserver 1.1.1.1\noptions ndots:2\nnameserver 2.2.2.2\n")
            << QStringList {"10.0.0.1", "fd00::1"}
            << QByteArray("search lan\nnameserver 10.0.0.1\nnameserver fd00::1\noptions ndots:2\n");
        QTest::newRow("appended when there were none") << QByteArray("search lan") << QStringList {"10.0.0.1"}
                                                       << QByteArray("search lan\nnameserver 10.0.0.1\n");
        QTest::newRow("all removed") << QByteArray("nameserver 1.1.1.1\noptions edns0\n") << QStringList()
                                     << QByteArray("options edns0\n");
        QTest::newRow("empty text") << QByteArray() << QStringList {"10.0.0.1"}
                                    << QByteArray("nameserver 10.0.0.1\n");
    }
    void withNameservers()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, servers);
        QFETCH(QByteArray, result);
        QCOMPARE(ResolvConf::withNameservers(text, servers), result);
    }

    void writesInPlace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("resolv.conf");
        QString error;
        QVERIFY2(ResolvConf::writeInPlace(path, "nameserver 1.1.1.1\nnameserver 2.2.2.2\n", &error),
                 qPrintable(error));
        const ino_t inode = inodeOf(path);
        QVERIFY(inode != 0);

        // Shorter content: the same file, nothing of the old content left.
        QVERIFY(ResolvConf::writeInPlace(path, "nameserver 3.3.3.3\n", &error));
        QCOMPARE(inodeOf(path), inode);
        QByteArray text;
        QVERIFY(ResolvConf::read(path, &text, &error));
        QCOMPARE(text, QByteArray("nameserver 3.3.3.3\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"resolv.conf"});
    }

    void readFailures()
    {
        QTemporaryDir dir;
        QByteArray text;
        QString error;
        QVERIFY(!ResolvConf::read(dir.filePath("missing"), &text, &error));
        QVERIFY(error.contains("missing"));
        error.clear();
        QVERIFY(!ResolvConf::read(dir.path(), &text, &error)); // a folder cannot be read as a file
        QVERIFY(!error.isEmpty());
        QVERIFY(!ResolvConf::writeInPlace(dir.filePath("no/such/folder/resolv.conf"), "x", &error));
    }
};

QTEST_GUILESS_MAIN(TestResolvConf)
#include "test_resolvconf.moc"
