#include "accessrule.h"

#include <QtTest>

#include <grp.h>
#include <pwd.h>

// The rule reads the machine's user and group databases; "nobody" and its
// group "nogroup" exist on every Debian system.
class TestAccessRule : public QObject
{
    Q_OBJECT

private slots:
    void rule_data();
    void rule();
};

void TestAccessRule::rule_data()
{
    const struct passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        QSKIP("no user 'nobody' here");
    const struct group *primary = ::getgrgid(nobody->pw_gid);
    if (!primary)
        QSKIP("the group of 'nobody' is unknown");

    QTest::addColumn<QString>("group");
    QTest::addColumn<uint>("uid");
    QTest::addColumn<bool>("allowed");
    const uint uid = nobody->pw_uid;
    QTest::newRow("root always") << "no-such-group-vpn" << 0u << true;
    QTest::newRow("member by primary group") << QString::fromLocal8Bit(primary->gr_name) << uid << true;
    QTest::newRow("not a member") << "root" << uid << false;
    QTest::newRow("group missing: root only") << "no-such-group-vpn" << uid << false;
    QTest::newRow("no group named") << "" << uid << false;
    QTest::newRow("unknown user") << QString::fromLocal8Bit(primary->gr_name) << 4012345678u << false;
}

void TestAccessRule::rule()
{
    QFETCH(QString, group);
    QFETCH(uint, uid);
    QFETCH(bool, allowed);
    const AccessRule rule(group);
    const QString refusal = rule.refusal(uid);
    QVERIFY2(refusal.isEmpty() == allowed, qPrintable(refusal));
    if (!allowed)
        QVERIFY(refusal.contains(QString::number(uid)));
    QVERIFY(!rule.description().isEmpty());
}

QTEST_GUILESS_MAIN(TestAccessRule)
#include "test_accessrule.moc"
