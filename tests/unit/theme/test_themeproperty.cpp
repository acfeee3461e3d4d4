#include "themeproperty.h"

#include <QtTest>

#include <stdexcept>

class TestThemeProperty : public QObject
{
    Q_OBJECT

private slots:
    void defaultConstructed()
    {
        const ThemeProperty property;
        QVERIFY(property.id().isEmpty());
        QVERIFY(property.toolTip().isEmpty());
        QVERIFY(!property.data().isValid());
        QVERIFY(!property.hasSections());
        QVERIFY(property.sections().isEmpty());
    }

    void sectionIndex_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("none") << -1 << QStringList();
        QTest::newRow("first") << 0 << QStringList {"General"};
        QTest::newRow("image") << 9 << QStringList {"Image"};
        QTest::newRow("last") << 10 << QStringList {"App property"};
    }
    void sectionIndex()
    {
        QFETCH(int, section);
        QFETCH(QStringList, texts);
        const ThemeProperty property("id", "white", section, "tip", ThemeProperty::Color);
        QCOMPARE(property.sections(), texts);
        QCOMPARE(property.hasSections(), section != -1);
        if (section != -1)
            QVERIFY(property.isSection(static_cast<ThemeProperty::Section>(section)));
    }

    void sectionIndexAboveTenIsRefused()
    {
        QVERIFY_EXCEPTION_THROWN(ThemeProperty("id", "white", 11, "tip", ThemeProperty::Color),
                                 std::out_of_range);
    }

    void sectionBitsInSectionOrder()
    {
        ThemeProperty::SectionBits bits;
        bits.set(ThemeProperty::VpnConnectionButton).set(ThemeProperty::Button).set(ThemeProperty::General);
        const ThemeProperty property("id", "1.0", bits, "tip", ThemeProperty::Float);
        QCOMPARE(property.sections(), (QStringList {"General", "Button", "VpnConnectionButton"}));
        QCOMPARE(property.sectionBits(), bits);
        QVERIFY(!property.isSection(ThemeProperty::Label));
    }

    void dataTypeString_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::newRow("color") << int(ThemeProperty::Color) << "Color";
        QTest::newRow("float") << int(ThemeProperty::Float) << "Float";
        QTest::newRow("image") << int(ThemeProperty::Image) << "Image";
        QTest::newRow("bool") << int(ThemeProperty::Bool) << "Bool";
    }
    void dataTypeString()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        const ThemeProperty property("id", "x", -1, "tip", static_cast<ThemeProperty::DataType>(type));
        QCOMPARE(property.dataTypeString(), text);
    }

    void toolTipFallsBackToId()
    {
        ThemeProperty property("connectionPageSettingsButtonIconColor", QString(), -1, QString(),
                               ThemeProperty::Color);
        QVERIFY(property.toolTip().isEmpty());
        property.updateToolTipIfNeeded();
        QCOMPARE(property.toolTip(), QString("connectionPageSettingsButtonIconColor"));

        ThemeProperty described("id", "x", 0, "Label 1", ThemeProperty::Color);
        described.updateToolTipIfNeeded();
        QCOMPARE(described.toolTip(), QString("Label 1"));
    }

    void visibleUnlessBool()
    {
        QVERIFY(!ThemeProperty("a", true, 10, "t", ThemeProperty::Bool).isVisible());
        // A switch read back from a theme file holds text and is shown.
        QVERIFY(ThemeProperty("a", "true", 10, "t", ThemeProperty::Bool).isVisible());
        QVERIFY(ThemeProperty("a", "#fff", 0, "t", ThemeProperty::Color).isVisible());
    }

    void equalityComparesEveryField()
    {
        const ThemeProperty base("id", "white", 1, "tip", ThemeProperty::Color);
        QVERIFY(base == ThemeProperty("id", "white", 1, "tip", ThemeProperty::Color));
        QVERIFY(base != ThemeProperty("id2", "white", 1, "tip", ThemeProperty::Color));
        QVERIFY(base != ThemeProperty("id", "black", 1, "tip", ThemeProperty::Color));
        QVERIFY(base != ThemeProperty("id", "white", 2, "tip", ThemeProperty::Color));
        QVERIFY(base != ThemeProperty("id", "white", 1, "tip2", ThemeProperty::Color));
        QVERIFY(base != ThemeProperty("id", "white", 1, "tip", ThemeProperty::Float));

        ThemeProperty changed = base;
        changed.setData("black");
        QCOMPARE(changed.data().toString(), QString("black"));
        QVERIFY(changed != base);
    }

    void travelsInQueuedSignals()
    {
        qRegisterMetaType<ThemeProperty>("ThemeProperty");
        const ThemeProperty property("id", "white", 3, "tip", ThemeProperty::Color);
        const QVariant variant = QVariant::fromValue(property);
        QCOMPARE(variant.value<ThemeProperty>(), property);
    }
};

QTEST_GUILESS_MAIN(TestThemeProperty)
#include "test_themeproperty.moc"
