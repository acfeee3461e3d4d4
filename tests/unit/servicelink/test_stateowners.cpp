#include "stateowners.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
using Effect = CommandPolicy::Effect;
using Program = CommandPolicy::Program;
using Resource = StateOwners::Resource;
constexpr uint alice = 1001;
constexpr uint mallory = 1002;
} // namespace

Q_DECLARE_METATYPE(CommandPolicy::Effect)
Q_DECLARE_METATYPE(CommandPolicy::Program)
Q_DECLARE_METATYPE(StateOwners::Resource)

class TestStateOwners : public QObject
{
    Q_OBJECT

private slots:
    void oneOwnerAtATime_data();
    void oneOwnerAtATime();
    void failedRestoreKeepsTheOwner();
    void enginesHoldTheRoutes();
    void restoringOwnState();
    void ownersSurviveARestart();
    void foreignFileIsIgnored();
};

void TestStateOwners::oneOwnerAtATime_data()
{
    QTest::addColumn<Program>("program");
    QTest::addColumn<Effect>("take");
    QTest::addColumn<Effect>("give");
    QTest::addColumn<Resource>("resource");
    QTest::newRow("DNS") << Program::Dns << Effect::SwitchDns << Effect::RestoreDns << Resource::Dns;
    QTest::newRow("kill switch") << Program::KillSwitch << Effect::EnableKillSwitch
                                 << Effect::DisableKillSwitch << Resource::KillSwitch;
}

void TestStateOwners::oneOwnerAtATime()
{
    QFETCH(Program, program);
    QFETCH(Effect, take);
    QFETCH(Effect, give);
    QFETCH(Resource, resource);
    StateOwners owners;
    QCOMPARE(owners.refusal(program, take, alice), QString());
    owners.finished(take, alice, 0, owners.started(program, take, alice), false);
    QCOMPARE(owners.owner(resource), qint64(alice));

    // Another user can neither switch nor restore; the owner can do both.
    QVERIFY(owners.refusal(program, take, mallory).contains(QStringLiteral("belongs to user 1001")));
    QVERIFY(!owners.refusal(program, give, mallory).isEmpty());
    QCOMPARE(owners.refusal(program, take, alice), QString());
    QCOMPARE(owners.refusal(program, give, alice), QString());

    // A release by somebody else changes nothing.
    owners.finished(give, mallory, 0, {}, false);
    QCOMPARE(owners.owner(resource), qint64(alice));
    owners.finished(give, alice, 0, owners.started(program, give, alice), false);
    QCOMPARE(owners.owner(resource), qint64(-1));
    QCOMPARE(owners.refusal(program, take, mallory), QString());
}

void TestStateOwners::failedRestoreKeepsTheOwner()
{
    StateOwners owners;
    owners.started(Program::Dns, Effect::SwitchDns, alice);
    owners.finished(Effect::RestoreDns, alice, 1, owners.started(Program::Dns, Effect::RestoreDns, alice),
                    false);
    QCOMPARE(owners.owner(Resource::Dns), qint64(alice));
    owners.finished(Effect::RestoreDns, alice, 143, {}, false);
    QCOMPARE(owners.owner(Resource::Dns), qint64(alice));
}

void TestStateOwners::enginesHoldTheRoutes()
{
    StateOwners owners;
    const StateOwners::Claim first = owners.started(Program::WireGuard, Effect::Tunnel, alice);
    QVERIFY(first.routes && first.dns);
    QVERIFY(owners.refusal(Program::OpenVpn, Effect::Tunnel, mallory).contains(QStringLiteral("routes")));
    // The WireGuard engine switches the DNS itself: nobody else may meanwhile.
    QVERIFY(!owners.refusal(Program::Dns, Effect::SwitchDns, mallory).isEmpty());
    const StateOwners::Claim second = owners.started(Program::OpenVpn, Effect::Tunnel, alice);
    owners.finished(Effect::Tunnel, alice, 0, first, true);
    QCOMPARE(owners.owner(Resource::Routes), qint64(alice));
    owners.finished(Effect::Tunnel, alice, 143, second, false);
    QCOMPARE(owners.owner(Resource::Routes), qint64(-1));
    QCOMPARE(owners.owner(Resource::Dns), qint64(-1));

    // An OpenVPN engine leaves the DNS to the DNS tool's owner.
    owners.started(Program::Dns, Effect::SwitchDns, alice);
    const StateOwners::Claim openVpn = owners.started(Program::WireGuard, Effect::Tunnel, alice);
    QVERIFY(!openVpn.dns);
    owners.finished(Effect::Tunnel, alice, 0, openVpn, false);
    QCOMPARE(owners.owner(Resource::Dns), qint64(alice));
}

void TestStateOwners::restoringOwnState()
{
    StateOwners owners;
    QVERIFY(!owners.restoresOwnState(Effect::RestoreDns, alice));
    owners.started(Program::Dns, Effect::SwitchDns, alice);
    owners.started(Program::KillSwitch, Effect::EnableKillSwitch, alice);
    QVERIFY(owners.restoresOwnState(Effect::RestoreDns, alice));
    QVERIFY(owners.restoresOwnState(Effect::DisableKillSwitch, alice));
    QVERIFY(!owners.restoresOwnState(Effect::SwitchDns, alice));
    QVERIFY(!owners.restoresOwnState(Effect::RestoreDns, mallory));
}

void TestStateOwners::ownersSurviveARestart()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state/owners"));
    {
        StateOwners owners(path);
        owners.started(Program::Dns, Effect::SwitchDns, alice);
        owners.started(Program::KillSwitch, Effect::EnableKillSwitch, mallory);
        owners.started(Program::OpenVpn, Effect::Tunnel, mallory);
    }
    QCOMPARE(QFile(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions());
    StateOwners restarted(path);
    if (::geteuid() != 0)
        QSKIP("the owners file is believed only when root owns it");
    QCOMPARE(restarted.owner(Resource::Dns), qint64(alice));
    QCOMPARE(restarted.owner(Resource::KillSwitch), qint64(mallory));
    // Engines end with the service: the routes are nobody's after a restart.
    QCOMPARE(restarted.owner(Resource::Routes), qint64(-1));
}

void TestStateOwners::foreignFileIsIgnored()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("owners"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("dns=1002\nkillswitch=1002\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::WriteOther));
    const StateOwners owners(path);
    QCOMPARE(owners.owner(Resource::Dns), qint64(-1));
    QCOMPARE(owners.owner(Resource::KillSwitch), qint64(-1));
}

QTEST_GUILESS_MAIN(TestStateOwners)
#include "test_stateowners.moc"
