#include "simplelistmodel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

class TestSimpleListModel : public QObject
{
    Q_OBJECT

private slots:
    void threeSampleRows()
    {
        SimpleListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.objectName(), QString("SimpleListModel"));
        QCOMPARE(model.rowCount(), 3);
        // Rows exist, so the inverted flag the list views read is true.
        QVERIFY(model.isEmpty());
        QCOMPARE(model.property("isEmpty").toBool(), true);

        const QHash<int, QByteArray> roles = model.roleNames();
        QCOMPARE(roles.value(256), QByteArray("Id"));
        QCOMPARE(roles.value(257), QByteArray("ItemId"));
        QCOMPARE(roles.value(258), QByteArray("ItemData"));

        for (int row = 0; row < 3; ++row) {
            const QModelIndex index = model.index(row);
            QCOMPARE(model.data(index, 258).toString(), QString("Item %1").arg(row + 1));
            QCOMPARE(model.data(index, 256).toInt(), row);
            QCOMPARE(model.data(index, 257).toInt(), row);
            QVERIFY(!model.data(index, Qt::DisplayRole).isValid());
            QVERIFY(!model.data(index, 259).isValid());
        }
        QVERIFY(!model.data(QModelIndex(), 258).isValid());
        QCOMPARE(model.rowCount(model.index(0)), 0);
    }
};

QTEST_GUILESS_MAIN(TestSimpleListModel)
#include "test_simplelistmodel.moc"
