#include "account.h"

#include <QtTest>

class TestAccount : public QObject
{
    Q_OBJECT

private slots:
    void validity_data();
    void validity();
    void configurationText_data();
    void configurationText();
    void lineBreaksAreRefused_data();
    void lineBreaksAreRefused();
};

namespace {
Account account(quint64 id, const QString &status, const QString &wgIp = QStringLiteral("10.66.0.2"),
                const QString &key = QStringLiteral("cHJpdmF0ZS1rZXktb2YtdGhlLWNsaWVudC0wMDAwMDA9"))
{
    return Account(id, QStringLiteral("alice"), status, QStringLiteral("2026-01-02"),
                   QStringLiteral("2025-01-01"), wgIp, key, QStringLiteral("the-clients-own-public-key"));
}
} // namespace

void TestAccount::validity_data()
{
    QTest::addColumn<quint64>("id");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("valid");
    QTest::newRow("enabled") << quint64(7) << "Enabled" << true;
    QTest::newRow("empty status") << quint64(7) << "" << true;
    QTest::newRow("disabled") << quint64(7) << "Disabled" << false;
    QTest::newRow("disabled lower case") << quint64(7) << "disabled" << true;
    QTest::newRow("no id") << quint64(0) << "Enabled" << false;
}

void TestAccount::validity()
{
    QFETCH(quint64, id);
    QFETCH(QString, status);
    QFETCH(bool, valid);
    const Account a = account(id, status);
    QCOMPARE(a.isValid(), valid);
    QCOMPARE(a.configuration(QStringLiteral("192.0.2.1"), QStringLiteral("172.16.0.1")).isNull(), !valid);
    QVERIFY(!Account().isValid());
    QVERIFY(Account().wgPublicKey().isEmpty());
}

void TestAccount::configurationText_data()
{
    QTest::addColumn<QString>("wgIp");
    QTest::addColumn<QString>("dns");
    QTest::addColumn<QString>("addressLine");
    QTest::addColumn<QString>("dnsLine");
    QTest::newRow("usual") << "10.66.0.2"
                           << "172.16.0.1"
                           << "Address = 10.66.0.2/32"
                           << "DNS = 172.16.0.1";
    QTest::newRow("empty dns") << "10.66.0.2"
                               << ""
                               << "Address = 10.66.0.2/32"
                               << "DNS = ";
    QTest::newRow("empty address") << ""
                                   << "172.16.0.1"
                                   << "Address = /32"
                                   << "DNS = 172.16.0.1";
}

void TestAccount::configurationText()
{
    QFETCH(QString, wgIp);
    QFETCH(QString, dns);
    QFETCH(QString, addressLine);
    QFETCH(QString, dnsLine);
    const Account a = account(7, QStringLiteral("Enabled"), wgIp);
    QCOMPARE(a.wgPublicKey(), Account::fixedPeerPublicKey());
    const QString expected = QStringLiteral("[Interface]\n"
                                            "PrivateKey = cHJpdmF0ZS1rZXktb2YtdGhlLWNsaWVudC0wMDAwMDA9\n")
        + addressLine + QLatin1Char('\n') + dnsLine + QStringLiteral("\n\n[Peer]\nPublicKey = ")
        + Account::fixedPeerPublicKey()
        + QStringLiteral("\nAllowedIPs = 0.0.0.0/0, ::/0\nEndpoint = 192.0.2.1:55888\n");
    QCOMPARE(a.configuration(QStringLiteral("192.0.2.1"), dns), expected);
}

void TestAccount::lineBreaksAreRefused_data()
{
    QTest::addColumn<QString>("wgIp");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("endpoint");
    QTest::newRow("key with a peer section") << "10.66.0.2"
                                             << "abc\n[Peer]\nPublicKey = evil"
                                             << "192.0.2.1";
    QTest::newRow("address with carriage return") << "10.66.0.2\r"
                                                  << "abc"
                                                  << "192.0.2.1";
    QTest::newRow("endpoint with newline") << "10.66.0.2"
                                           << "abc"
                                           << "192.0.2.1\nPostUp = x";
}

void TestAccount::lineBreaksAreRefused()
{
    QFETCH(QString, wgIp);
    QFETCH(QString, key);
    QFETCH(QString, endpoint);
    QTest::ignoreMessage(QtWarningMsg, "Account: Refusing a configuration value with a line break");
    QVERIFY(account(7, QStringLiteral("Enabled"), wgIp, key)
                .configuration(endpoint, QStringLiteral("172.16.0.1"))
                .isEmpty());
}

QTEST_GUILESS_MAIN(TestAccount)
#include "test_account.moc"
