#include "simplecrypt.h"

#include <QtTest>

namespace {
constexpr quint64 testKey = 0x0102030405060708ULL;
quint8 fixedRandomByte()
{
    return 0x5a;
}
} // namespace

class TestSimpleCrypt : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void fixedVectors_data();
    void fixedVectors();
    void randomFirstByte();
    void tamperedBodyFailsIntegrity();
    void wrongVersion_data();
    void wrongVersion();
    void noKey();
    void hashProtection();
};

void TestSimpleCrypt::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("compressed");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("ascii") << QStringLiteral("alice-pass") << false;
    QTest::newRow("non-latin") << QStringLiteral("Пароль-密码-パス ✓") << false;
    QTest::newRow("long, compresses") << QStringLiteral("abcdefgh").repeated(200) << true;
}

void TestSimpleCrypt::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(bool, compressed);
    SimpleCrypt crypt(testKey);
    const QByteArray cipher = crypt.encryptToByteArray(text);
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorNoError);
    QCOMPARE(cipher.at(0), char(3));
    QCOMPARE(bool(cipher.at(1) & SimpleCrypt::FlagCompression), compressed);
    QVERIFY(cipher.at(1) & SimpleCrypt::FlagChecksum);

    const QString stored = crypt.encryptToString(text);
    SimpleCrypt reader(testKey);
    QCOMPARE(reader.decryptToString(stored), text);
    QCOMPARE(reader.lastError(), SimpleCrypt::ErrorNoError);
    QCOMPARE(reader.decryptToString(cipher), text);
}

// Worked out by hand from the stored format (CRC-16/X-25 as qChecksum computes it,
// big-endian, after the random byte 0x5a, XOR-chained with the key bytes
// 08 07 06 05 04 03 02 01), so the format of stored credentials cannot drift.
void TestSimpleCrypt::fixedVectors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cipher");
    QTest::newRow("ab") << QStringLiteral("ab") << QStringLiteral("AwJSZr7avA==");
    QTest::newRow("utf-8") << QStringLiteral("Grüße") << QStringLiteral("AwJS/xNRJ+dZmwxu");
    QTest::newRow("empty") << QString() << QStringLiteral("AwJSVVM=");
}

void TestSimpleCrypt::fixedVectors()
{
    QFETCH(QString, text);
    QFETCH(QString, cipher);
    QCOMPARE(qChecksum("123456789", 9), quint16(0x906e));
    SimpleCrypt crypt(testKey);
    crypt.setRandomByteSource(fixedRandomByte);
    QCOMPARE(crypt.encryptToString(text), cipher);
    QCOMPARE(SimpleCrypt(testKey).decryptToString(cipher), text);
}

void TestSimpleCrypt::randomFirstByte()
{
    SimpleCrypt crypt(testKey);
    QSet<QString> ciphers;
    for (int i = 0; i < 16; ++i)
        ciphers.insert(crypt.encryptToString(QStringLiteral("same")));
    QVERIFY(ciphers.size() > 1);
    for (const QString &cipher : qAsConst(ciphers))
        QCOMPARE(crypt.decryptToString(cipher), QStringLiteral("same"));
}

void TestSimpleCrypt::tamperedBodyFailsIntegrity()
{
    SimpleCrypt crypt(testKey);
    const QByteArray cipher = crypt.encryptToByteArray(QStringLiteral("secret password"));
    for (int pos = 2; pos < cipher.size(); ++pos) {
        QByteArray tampered = cipher;
        tampered[pos] = static_cast<char>(tampered.at(pos) ^ 0x10);
        QVERIFY(crypt.decryptToByteArray(tampered).isEmpty());
        QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorIntegrityFailed);
    }
    // A body too short to hold the checksum.
    QVERIFY(crypt.decryptToByteArray(cipher.left(3)).isEmpty());
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorIntegrityFailed);
    // Another key reads garbage and fails the same way.
    SimpleCrypt other(testKey + 1);
    QVERIFY(other.decryptToByteArray(cipher).isEmpty());
    QCOMPARE(other.lastError(), SimpleCrypt::ErrorIntegrityFailed);
}

void TestSimpleCrypt::wrongVersion_data()
{
    QTest::addColumn<QByteArray>("cipher");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("version 2") << QByteArray::fromHex("02025266bedabc");
    QTest::newRow("one byte") << QByteArray::fromHex("03");
    QTest::newRow("not base64 text") << QByteArray("plain text password");
}

void TestSimpleCrypt::wrongVersion()
{
    QFETCH(QByteArray, cipher);
    SimpleCrypt crypt(testKey);
    QTest::ignoreMessage(QtWarningMsg, "SimpleCrypt: Invalid version or not a cyphertext.");
    QVERIFY(crypt.decryptToByteArray(cipher).isEmpty());
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorUnknownVersion);
}

void TestSimpleCrypt::noKey()
{
    SimpleCrypt crypt;
    QTest::ignoreMessage(QtWarningMsg, "SimpleCrypt: No key set.");
    QVERIFY(crypt.encryptToString(QStringLiteral("x")).isEmpty());
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorNoKeySet);
    QTest::ignoreMessage(QtWarningMsg, "SimpleCrypt: No key set.");
    QVERIFY(crypt.decryptToString(QStringLiteral("AwJSZr7avA==")).isEmpty());
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorNoKeySet);
}

void TestSimpleCrypt::hashProtection()
{
    SimpleCrypt crypt(testKey);
    crypt.setIntegrityProtectionMode(SimpleCrypt::ProtectionHash);
    crypt.setCompressionMode(SimpleCrypt::CompressionNever);
    const QByteArray cipher = crypt.encryptToByteArray(QStringLiteral("hash me"));
    QCOMPARE(cipher.at(1), char(SimpleCrypt::FlagHash));
    QCOMPARE(cipher.size(), 2 + 1 + 20 + 7);
    QCOMPARE(SimpleCrypt(testKey).decryptToString(cipher), QStringLiteral("hash me"));
    QByteArray tampered = cipher;
    tampered[cipher.size() - 1] = static_cast<char>(tampered.at(cipher.size() - 1) ^ 1);
    SimpleCrypt reader(testKey);
    QVERIFY(reader.decryptToByteArray(tampered).isEmpty());
    QCOMPARE(reader.lastError(), SimpleCrypt::ErrorIntegrityFailed);
}

QTEST_GUILESS_MAIN(TestSimpleCrypt)
#include "test_simplecrypt.moc"
