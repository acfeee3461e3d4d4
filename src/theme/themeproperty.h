#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <bitset>

// One named value of the theme: a colour, an opacity, an image or a switch,
// with the sections of the theme editor it appears in.
class ThemeProperty
{
public:
    enum DataType { Color = 0, Float = 1, Image = 2, Bool = 3 };

    enum Section {
        General = 0,
        Button = 1,
        Label = 2,
        ListView = 3,
        RadioButton = 4,
        Switch = 5,
        TabButton = 6,
        SettingsButton = 7,
        VpnConnectionButton = 8,
        ImageSection = 9,
        AppProperty = 10
    };
    static constexpr int sectionCount = 11;
    using SectionBits = std::bitset<sectionCount>;

    ThemeProperty() = default;
    // A section index of -1 means no section; an index above 10 throws std::out_of_range.
    ThemeProperty(const QString &id, const QVariant &data, int section, const QString &toolTip,
                  DataType dataType);
    ThemeProperty(const QString &id, const QVariant &data, SectionBits sections, const QString &toolTip,
                  DataType dataType);

    QString id() const { return m_id; }
    QVariant data() const { return m_data; }
    void setData(const QVariant &data) { m_data = data; }
    DataType dataType() const { return m_dataType; }
    QString dataTypeString() const;
    QString toolTip() const { return m_toolTip; }
    // An empty tool tip becomes the id.
    void updateToolTipIfNeeded();

    bool isSection(Section section) const { return m_sections.test(section); }
    bool hasSections() const { return m_sections.any(); }
    SectionBits sectionBits() const { return m_sections; }
    // The texts of the sections this property belongs to, in section order.
    QStringList sections() const;
    // Switches (bool data) are not shown as editable values.
    bool isVisible() const;

    static QString sectionText(Section section);

    bool operator==(const ThemeProperty &other) const;
    bool operator!=(const ThemeProperty &other) const { return !(*this == other); }

private:
    QString m_toolTip;
    QVariant m_data;
    SectionBits m_sections;
    QString m_id;
    DataType m_dataType = Color;
};

Q_DECLARE_METATYPE(ThemeProperty)
