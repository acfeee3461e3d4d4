#include "countries.h"
#include "server.h"

#include <QtTest>

class TestCountries : public QObject
{
    Q_OBJECT

private slots:
    void roundTripForEveryCode();
    void lookups_data();
    void lookups();
    void namesOfSeveralWords();
    void filledOnce();
};

void TestCountries::roundTripForEveryCode()
{
    const QMap<QString, QString> map = Countries::localeMap();
    QVERIFY(map.size() > 200);
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString &code = it.key();
        QCOMPARE(code, code.toLower());
        const QString name = Countries::countryNameByCountryCode(code);
        QVERIFY2(!name.isEmpty(), qPrintable(code));
        QCOMPARE(Countries::countryNameByCountryCode(code.toUpper()), name);
        const QString back = Countries::countryCodeByCountryName(name);
        QCOMPARE(back, back.toLower());
        QCOMPARE(Countries::countryNameByCountryCode(back), name);
        QVERIFY(back <= code); // the first code in ascending order with that name
        QVERIFY(Countries::isCountryCode(code.toUpper()));
    }
}

void TestCountries::lookups_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("known");

    QTest::newRow("de") << "de" << true;
    QTest::newRow("DE") << "DE" << true;
    QTest::newRow("mixed case") << "uS" << true;
    QTest::newRow("unknown code") << "zz" << false;
    QTest::newRow("two digits") << "42" << false;
    QTest::newRow("empty") << "" << false;
}

void TestCountries::lookups()
{
    QFETCH(QString, code);
    QFETCH(bool, known);
    QCOMPARE(Countries::isCountryCode(code), known);
    QCOMPARE(Countries::countryNameByCountryCode(code).isEmpty(), !known);
    // Unlike the server list's check, which only counts characters.
    QCOMPARE(Server::isCountryCode(code), code.size() == 2);
    if (known)
        QCOMPARE(Countries::countryCodeByCountryName(Countries::countryNameByCountryCode(code)),
                 code.toLower());
}

void TestCountries::namesOfSeveralWords()
{
    QCOMPARE(Countries::countryNameByCountryCode(QStringLiteral("us")), QStringLiteral("United States"));
    QCOMPARE(Countries::countryNameByCountryCode(QStringLiteral("de")), QStringLiteral("Germany"));
    QCOMPARE(Countries::countryCodeByCountryName(QStringLiteral("United States")), QStringLiteral("us"));
    // Names are compared exactly.
    QVERIFY(Countries::countryCodeByCountryName(QStringLiteral("united states")).isEmpty());
    QVERIFY(Countries::countryCodeByCountryName(QStringLiteral("United  States")).isEmpty());
    QVERIFY(Countries::countryCodeByCountryName(QString()).isEmpty());
    // Every stored name is made of single-blank separated words.
    const QMap<QString, QString> map = Countries::localeMap();
    for (const QString &name : map)
        QCOMPARE(name, name.simplified());
}

void TestCountries::filledOnce()
{
    const QMap<QString, QString> first = Countries::localeMap();
    for (int i = 0; i < 3; ++i)
        Countries::initializeLocaleMap();
    const QMap<QString, QString> again = Countries::localeMap();
    QCOMPARE(again, first);
    // The map is shared, not rebuilt: the copies share their data.
    QVERIFY(again.constBegin() == first.constBegin());
}

QTEST_GUILESS_MAIN(TestCountries)
#include "test_countries.moc"
