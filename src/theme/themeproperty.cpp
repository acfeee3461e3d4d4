#include "themeproperty.h"

ThemeProperty::ThemeProperty(const QString &id, const QVariant &data, int section, const QString &toolTip,
                             DataType dataType)
    : m_toolTip(toolTip), m_data(data), m_id(id), m_dataType(dataType)
{
    if (section != -1)
        m_sections.set(static_cast<size_t>(section));
}

ThemeProperty::ThemeProperty(const QString &id, const QVariant &data, SectionBits sections,
                             const QString &toolTip, DataType dataType)
    : m_toolTip(toolTip), m_data(data), m_sections(sections), m_id(id), m_dataType(dataType)
{ }

QString ThemeProperty::dataTypeString() const
{
    switch (m_dataType) {
    case Color:
        return QStringLiteral("Color");
    case Float:
        return QStringLiteral("Float");
    case Image:
        return QStringLiteral("Image");
    case Bool:
        return QStringLiteral("Bool");
    }
    return QString();
}

void ThemeProperty::updateToolTipIfNeeded()
{
    if (m_toolTip.isEmpty())
        m_toolTip = m_id;
}

QStringList ThemeProperty::sections() const
{
    QStringList texts;
    for (int section = 0; section < sectionCount; ++section) {
        if (m_sections.test(static_cast<size_t>(section)))
            texts.append(sectionText(static_cast<Section>(section)));
    }
    return texts;
}

bool ThemeProperty::isVisible() const
{
    return m_data.userType() != QMetaType::Bool;
}

QString ThemeProperty::sectionText(Section section)
{
    switch (section) {
    case General:
        return QStringLiteral("General");
    case Button:
        return QStringLiteral("Button");
    case Label:
        return QStringLiteral("Label");
    case ListView:
        return QStringLiteral("ListView");
    case RadioButton:
        return QStringLiteral("RadioButton");
    case Switch:
        return QStringLiteral("Switch");
    case TabButton:
        return QStringLiteral("TabButton");
    case SettingsButton:
        return QStringLiteral("SettingsButton");
    case VpnConnectionButton:
        return QStringLiteral("VpnConnectionButton");
    case ImageSection:
        return QStringLiteral("Image");
    case AppProperty:
        return QStringLiteral("App property");
    }
    return QString();
}

bool ThemeProperty::operator==(const ThemeProperty &other) const
{
    return m_toolTip == other.m_toolTip && m_data == other.m_data && m_sections == other.m_sections
        && m_id == other.m_id && m_dataType == other.m_dataType;
}
