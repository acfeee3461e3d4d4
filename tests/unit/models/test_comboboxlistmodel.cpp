#include "comboboxlistmodel.h"

#include <QAbstractItemModelTester>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestComboBoxListModel : public QObject
{
    Q_OBJECT

private slots:
    void tcpPorts()
    {
        ComboBoxListModel model(true);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.objectName(), QString("ComboBoxListModel"));
        QCOMPARE(model.roleNames().value(257), QByteArray("id"));
        QCOMPARE(model.roleNames().value(258), QByteArray("text"));
        QCOMPARE(model.roleNames().value(259), QByteArray("value"));

        const QList<int> ports {0, 20, 21, 23, 53, 80, 110, 143, 3389, 8080};
        QCOMPARE(model.rowCount(), ports.size());
        for (int row = 0; row < ports.size(); ++row) {
            const QModelIndex index = model.index(row);
            QCOMPARE(model.data(index, ComboBoxListModel::ValueRole).toInt(), ports.at(row));
            QCOMPARE(model.data(index, ComboBoxListModel::Id).toInt(), row);
            QCOMPARE(model.data(index, ComboBoxListModel::TextRole).toString(),
                     row == 0 ? QString("Auto") : QString::number(ports.at(row)));
        }
        QCOMPARE(model.rowCount(model.index(0)), 0);
    }

    void udpPorts()
    {
        ComboBoxListModel model(false);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.data(model.index(0), ComboBoxListModel::TextRole).toString(), QString("53"));
        QCOMPARE(model.data(model.index(2), ComboBoxListModel::ValueRole).toInt(), 123);
    }

    void undefinedValues()
    {
        ComboBoxListModel model(true);
        QCOMPARE(model.data(model.index(0), 260).toString(), QString("Undefined"));
        QCOMPARE(model.data(QModelIndex(), ComboBoxListModel::TextRole).toString(), QString("Undefined"));
        QCOMPARE(model.data(model.index(0).sibling(42, 0), ComboBoxListModel::ValueRole).toString(),
                 QString("Undefined"));
        // Qt's own roles have typed values; this model leaves them empty.
        QVERIFY(!model.data(model.index(0), Qt::DisplayRole).isValid());
    }
};

int main(int argc, char *argv[])
{
    // The settings live in a home of their own, never the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication application(argc, argv);
    TestComboBoxListModel test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_comboboxlistmodel.moc"
