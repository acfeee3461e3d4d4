#include "trustedpath.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestTrustedPath : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cases_data();
    void cases();

private:
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestTrustedPath::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("openvpn/bin")));
    QFile program(m_dir->filePath(QStringLiteral("dns")));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\n");
    program.close();
    QVERIFY(::chmod(QFile::encodeName(program.fileName()).constData(), 0755) == 0);
}

void TestTrustedPath::cases_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("trusted");

    QTest::newRow("own program") << ""
                                 << "dns" << true;
    QTest::newRow("link to a system program") << "link /bin/true openvpn/bin/openvpn"
                                              << "openvpn/bin/openvpn" << true;
    QTest::newRow("program others can change") << "chmod 0757 dns"
                                               << "dns" << false;
    QTest::newRow("program its group can change") << "chmod 0775 dns; chgrp dns"
                                                  << "dns" << false;
    QTest::newRow("root's group may change it") << "chmod 0775 dns; chgrp-root dns"
                                                << "dns" << (::getegid() == 0);
    QTest::newRow("directory others can change") << "chmod 0777 ."
                                                 << "dns" << false;
    QTest::newRow("sticky directory") << "chmod 1777 ."
                                      << "dns" << true;
    QTest::newRow("not executable") << "chmod 0644 dns"
                                    << "dns" << false;
    QTest::newRow("missing") << ""
                             << "killswitch" << false;
    QTest::newRow("link to a program others can change") << "chmod 0757 dns; link dns openvpn/bin/openvpn"
                                                         << "openvpn/bin/openvpn" << false;
    QTest::newRow("link to a directory") << "link /tmp openvpn/bin/openvpn"
                                         << "openvpn/bin/openvpn" << false;
}

void TestTrustedPath::cases()
{
    QFETCH(QString, setup);
    QFETCH(QString, path);
    QFETCH(bool, trusted);
    QDir dir(m_dir->path());
    for (const QString &step : setup.split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
        const QStringList words = step.split(QLatin1Char(' '));
        const QByteArray file = QFile::encodeName(dir.filePath(words.last()));
        // A group other than root's: the user's own, or any other one for root.
        if (words.first() == QLatin1String("chgrp") && ::getegid() == 0)
            QVERIFY(::chown(file.constData(), uid_t(-1), 4343) == 0);
        else if (words.first() == QLatin1String("chgrp-root") && ::geteuid() == 0)
            QVERIFY(::chown(file.constData(), uid_t(-1), 0) == 0);
        else if (words.first().startsWith(QLatin1String("chgrp")))
            continue;
        else if (words.first() == QLatin1String("chmod"))
            QVERIFY(::chmod(QFile::encodeName(dir.filePath(words.at(2))).constData(),
                            words.at(1).toUInt(nullptr, 8))
                    == 0);
        else
            QVERIFY(QFile::link(dir.absoluteFilePath(words.at(1)), dir.filePath(words.at(2))));
    }
    const QString problem = TrustedPath::executableProblem(dir.filePath(path));
    QVERIFY2(problem.isEmpty() == trusted, qPrintable(problem));
    QVERIFY(!TrustedPath::executableProblem(QStringLiteral("relative/dns")).isEmpty());
}

QTEST_GUILESS_MAIN(TestTrustedPath)
#include "test_trustedpath.moc"
