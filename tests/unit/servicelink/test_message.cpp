#include "message.h"

#include <QtTest>

class TestMessage : public QObject
{
    Q_OBJECT

private slots:
    void fromString_data();
    void fromString();
};

void TestMessage::fromString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("tagName");

    QTest::newRow("started report") << "started:x,0,openvpn" << true << true << false << 0 << "openvpn";
    QTest::newRow("finished report") << "finished:x,3,openvpn" << true << false << true << 3 << "openvpn";
    QTest::newRow("service's own form") << "started:4711,0,dns" << true << true << false << 0 << "dns";
    QTest::newRow("single field") << "started:openvpn" << true << true << false << 0 << "openvpn";
    QTest::newRow("prefix only") << "finished:" << true << false << true << 0 << "";
    QTest::newRow("two fields") << "finished:1,2" << true << false << true << 2 << "2";
    QTest::newRow("negative status") << "finished:x,-1,dns" << true << false << true << 0 << "dns";
    QTest::newRow("status not a number") << "started:x,abc,dns" << true << true << false << 0 << "dns";
    QTest::newRow("empty fields kept")
        << "finished:,,7,,killswitch" << true << false << true << 0 << "killswitch";
    QTest::newRow("trailing comma") << "finished:x,1," << true << false << true << 1 << "";
    QTest::newRow("space after colon stays in the name")
        << "started: openvpn" << true << true << false << 0 << " openvpn";
    QTest::newRow("every prefix removed") << "started:a,started:5,dns" << true << true << false << 5 << "dns";
    QTest::newRow("capital letter") << "Started:x,0,openvpn" << false << false << false << 0 << "";
    QTest::newRow("process output") << "dns: started:x,0,dns" << false << false << false << 0 << "";
    QTest::newRow("empty") << "" << false << false << false << 0 << "";
}

void TestMessage::fromString()
{
    QFETCH(QString, text);
    const Message message = Message::fromString(text);
    QTEST(message.isValid(), "valid");
    QTEST(message.started(), "started");
    QTEST(message.finished(), "finished");
    QTEST(message.status(), "status");
    QTEST(message.tagName(), "tagName");
}

QTEST_GUILESS_MAIN(TestMessage)
#include "test_message.moc"
