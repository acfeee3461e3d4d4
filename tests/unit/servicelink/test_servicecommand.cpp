#include "servicecommand.h"

#include <QtTest>

using Kind = ServiceCommand::Kind;
Q_DECLARE_METATYPE(ServiceCommand::Kind)

class TestServiceCommand : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestServiceCommand::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("name");

    QTest::newRow("init") << "init: connection" << Kind::Init << QStringList {} << "";
    QTest::newRow("init other body") << "init: everything" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("start") << R"(start: "/opt/vpn/dns" "vpn" "eth0@1.1.1.1,")" << Kind::Start
                           << QStringList {"/opt/vpn/dns", "vpn", "eth0@1.1.1.1,"} << "";
    QTest::newRow("empty word") << R"(start: "/opt/vpn/killswitch" "enable" "all" "1.2.3.4" "")"
                                << Kind::Start
                                << QStringList {"/opt/vpn/killswitch", "enable", "all", "1.2.3.4", ""} << "";
    QTest::newRow("word with a blank")
        << R"(start: "/p" "a b")" << Kind::Start << QStringList {"/p", "a b"} << "";
    QTest::newRow("inner quote") << R"(start: "/p" "say "hi"")" << Kind::Start
                                 << QStringList {"/p", "say \"hi\""} << "";
    QTest::newRow("unquoted") << "start: /bin/sh -c id" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("lone quote") << "start: \"" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("start without body") << "start:" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("kill") << "start: <kill openvpn>" << Kind::Kill << QStringList {} << "openvpn";
    QTest::newRow("kill with path") << "start: <kill /usr/bin/x>" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("kill without name") << "start: <kill >" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("kill unclosed") << "start: <kill openvpn" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("other bracket verb") << "start: <run openvpn>" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("stop") << "stop: <wireguard-service>" << Kind::Stop << QStringList {}
                          << "wireguard-service";
    QTest::newRow("stop bare name") << "stop: openvpn" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("stop name with comma") << "stop: <a,b>" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("unknown verb") << "exec: \"/bin/sh\"" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("capital verb") << "Start: \"/p\"" << Kind::Invalid << QStringList {} << "";
    QTest::newRow("empty") << "" << Kind::Invalid << QStringList {} << "";
}

void TestServiceCommand::parse()
{
    QFETCH(QString, text);
    const ServiceCommand command = ServiceCommand::parse(text);
    QTEST(command.kind(), "kind");
    QTEST(command.words(), "words");
    QTEST(command.name(), "name");
    QCOMPARE(command.isValid(), command.error().isEmpty());
}

QTEST_GUILESS_MAIN(TestServiceCommand)
#include "test_servicecommand.moc"
