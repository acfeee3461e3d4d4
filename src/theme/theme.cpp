#include "theme.h"

#include "utils.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaProperty>
#include <QSet>
#include <QSettings>
#include <QUrl>

#include <algorithm>

const QString Theme::m_fileUrl = QStringLiteral("file:///");
const int Theme::m_currentVersion = 1;

// Tool tips shared by several properties.
namespace Td {
const char *const bccs = "Background color in checked state";
const char *const bcps = "Background color when item pressed";
const char *const fc = "Font color";
const char *const tc = "Text color";
const char *const brc = "Border color";
const char *const sc = "Color when item selected";
const char *const ic = "Indicator color";
const char *const iccs = "Indicator color int checked state";
const char *const tcps = "Text color when item pressed";
} // namespace Td

namespace {
const QString groupMain = QStringLiteral("Main");
const QString groupStyle = QStringLiteral("Style");
const QString keyVersion = QStringLiteral("version");
const QString keyBrandingEnabled = QStringLiteral("brandingEnabled");
const QString keyDarkStyle = QStringLiteral("darkStyle");
const QString keyDateTime = QStringLiteral("dateTime");
const QString logoId = QStringLiteral("generalLogoFileName");
const QString backgroundId = QStringLiteral("generalBackgroundImage");
const QString darkStyleId = QStringLiteral("appPropertyDarkStyle");

// One row of the property table. Bool properties have no texts: both defaults are true.
struct PropertyDefault
{
    const char *id;
    ThemeProperty::DataType type;
    int section;
    const char *toolTip;
    const char *light;
    const char *dark;
};

// clang-format off
const PropertyDefault propertyDefaults[] = {
    {"settingsPageShowLogs", ThemeProperty::Bool, ThemeProperty::AppProperty, "Show logs", nullptr, nullptr},
    {"appPropertyDarkStyle", ThemeProperty::Bool, ThemeProperty::AppProperty, "Use dark style", nullptr, nullptr},
    {"generalBackgroundImage", ThemeProperty::Image, ThemeProperty::ImageSection, "Background image (400x650)", "", ""},
    {"generalLogoFileName", ThemeProperty::Image, ThemeProperty::ImageSection, "Logo image (400x50)", "qrc:/resources/icons/vpn.png", "qrc:/resources/icons/vpn.png"},
    {"generalBackgroundColor", ThemeProperty::Color, ThemeProperty::General, "Background color", "#f6f7f9", "#102847"},
    {"generalHeaderBackgroundColor", ThemeProperty::Color, ThemeProperty::General, "Header background color", "white", "#081c37"},
    {"generalTextFieldBorderColor", ThemeProperty::Color, ThemeProperty::General, "Textfield border color", "#e7e9f2", "#3f5673"},
    {"generalSectionColor", ThemeProperty::Color, ThemeProperty::General, "Section color", "#ffffff", "#133054"},
    {"settingsPageHeaderBackgroundColor", ThemeProperty::Color, ThemeProperty::General, "Settings page, header background color", "white", "white"},
    {"generalListViewItemActiveColor", ThemeProperty::Color, ThemeProperty::ListView, "Active color", "white", "#183254"},
    {"generalListViewItemBackgroundColor", ThemeProperty::Color, ThemeProperty::ListView, "Item background color", "#f7f8fa", "#102847"},
    {"generalListViewSeparatorColor", ThemeProperty::Color, ThemeProperty::ListView, "Separator color", "#e8eaf2", "#1f4571"},
    {"generalDefaultLabelColor", ThemeProperty::Color, ThemeProperty::Label, "Label 1", "black", "white"},
    {"generalBrightLabelColor", ThemeProperty::Color, ThemeProperty::Label, "Label 2", "black", "white"},
    {"settingsPageDefaultLabelColor1", ThemeProperty::Color, ThemeProperty::Label, "Label 3", "#555252", "white"},
    {"generalGreyLabelColor", ThemeProperty::Color, ThemeProperty::Label, "Label 4", "#b2b2b2", "white"},
    {"settingsPageDefaultLabelColor2", ThemeProperty::Color, ThemeProperty::Label, "Label 5", "#9a9a9a", "black"},
    {"generalLabelOpacity", ThemeProperty::Float, ThemeProperty::Label, "Label 3, opacity", "1.0", "0.5"},
    {"generalGreyLabelOpacity", ThemeProperty::Float, ThemeProperty::Label, "Label 4, opacity", "1.0", "0.4"},
    {"generalSmallGreyLabelOpacity", ThemeProperty::Float, ThemeProperty::Label, "Label 5, opacity", "1.0", "0.2"},
    {"generalButtonBackgroundColor", ThemeProperty::Color, ThemeProperty::Button, "Background color", "#35cb73", "#f7f8fa"},
    {"generalButtonBackgroundColorPressed", ThemeProperty::Color, ThemeProperty::Button, Td::bcps, "#000000", "#35cb73"},
    {"generalButtonTextColor", ThemeProperty::Color, ThemeProperty::Button, Td::tc, "white", "black"},
    {"generalButtonTextColorPressed", ThemeProperty::Color, ThemeProperty::Button, Td::tcps, "white", "white"},
    {"generalTabBackgroundColor", ThemeProperty::Color, ThemeProperty::TabButton, "Background color", "white", "#081c37"},
    {"generalTabFontColor", ThemeProperty::Color, ThemeProperty::TabButton, Td::fc, "black", "white"},
    {"generalTabNonSelectedColor", ThemeProperty::Color, ThemeProperty::TabButton, "Non selected item color", "#e7e9f2", "#1c3659"},
    {"generalTabSelectedColor", ThemeProperty::Color, ThemeProperty::TabButton, "Selected item color", "#35cb73", "#35cb73"},
    {"connectionPageSettingsButtonIconColor", ThemeProperty::Color, -1, nullptr, "", ""},
    {"connectionPageSettingsButtonBackgroundColor", ThemeProperty::Color, ThemeProperty::SettingsButton, "Background color", "white", "#f7f8fa"},
    {"connectionPageSettingsButtonBackgroundColorPressed", ThemeProperty::Color, ThemeProperty::SettingsButton, Td::bcps, "white", "#35cb73"},
    {"connectionPageSettingsButtonTextColor", ThemeProperty::Color, ThemeProperty::SettingsButton, Td::tc, "black", "black"},
    {"connectionPageSettingsButtonTextColorPressed", ThemeProperty::Color, ThemeProperty::SettingsButton, Td::tcps, "black", "white"},
    {"generalSwitchBackgroundColor", ThemeProperty::Color, ThemeProperty::Switch, "Background color", "#e7e9f2", "#102847"},
    {"generalSwitchBackgroundColorChecked", ThemeProperty::Color, ThemeProperty::Switch, Td::bccs, "#b4f8d0", "#7aefaa"},
    {"generalSwitchIndicatorColor", ThemeProperty::Color, ThemeProperty::Switch, Td::ic, "#9e9ea2", "#2b568a"},
    {"generalSwitchIndicatorColorChecked", ThemeProperty::Color, ThemeProperty::Switch, Td::iccs, "#35cb73", "#35cb73"},
    {"generalRadioButtonBackgroundColor", ThemeProperty::Color, ThemeProperty::RadioButton, "Background color", "transparent", "transparent"},
    {"generalRadioButtonBorderColor", ThemeProperty::Color, ThemeProperty::RadioButton, Td::brc, "#efefef", "#efefef"},
    {"generalRadioButtonSelectedColor", ThemeProperty::Color, ThemeProperty::RadioButton, Td::sc, "#35cb73", "#35cb73"},
    {"connectionPageCirclesColor", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Disconnected state, circles color", "#dedfe1", "#193151"},
    {"connectionPageVpnDisconnectedButtonGradientColor1", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Disconnected state, gradient color 1", "#d0d2d5", "#1c3658"},
    {"connectionPageVpnDisconnectedButtonGradientColor2", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Disconnected state, gradient color 2", "#eff0f1", "#245698"},
    {"connectionPageVpnDisconnectedButtonGradientColor3", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Disconnected state, gradient color 3", "#d0d2d5", "#1d4170"},
    {"connectionPageVpnSwitchBackgroundColor", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Disconnected state, switch item, background color", "white", "white"},
    {"connectionPageVpnSwitchLabelColor", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Disconnected state, switch item, label color", "#dcdcdc", "#dcdcdc"},
    {"connectionPageVpnConnectedButtonGradientColor1", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Connected state, gradient color 1", "#64a9ff", "#64a9ff"},
    {"connectionPageVpnConnectedButtonGradientColor2", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Connected state, gradient color 2", "#00ff64", "#00ff64"},
    {"connectionPageVpnConnectedButtonGradientColor3", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Connected state, gradient color 3", "#5ebee1", "#5ebee1"},
    {"connectionPageVpnDurationLabelColor", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Connected state, duration, label color", "black", "black"},
    {"connectionPageVpnDurationBackgroundColor", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Connected state, duration, background color", "#f1f0f0", "#f1f0f0"},
    {"connectionPageVpnTimerLabelColor", ThemeProperty::Color, ThemeProperty::VpnConnectionButton, "Connected state, timer, label color", "#2bbd64", "#2bbd64"},
};
// clang-format on

QString text(const char *value)
{
    return value ? QString::fromUtf8(value) : QString();
}

// QSettings reads an unquoted value with commas as a list; the theme wants the text.
QString settingsText(const QVariant &value)
{
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}
} // namespace

Theme::Theme(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Theme"));
    qRegisterMetaType<ThemeProperty>("ThemeProperty");
    readBrandingSettings(brandingFileName());
}

bool Theme::settingsPageShowLogs() const
{
    return m_propertiesMap.value(QStringLiteral("settingsPageShowLogs")).data().toBool();
}

QString Theme::textProperty(const QString &id) const
{
    return m_propertiesMap.value(id).data().toString();
}

QString Theme::iconSource(const QString &iconName, bool useStyle) const
{
    if (!useStyle)
        return QStringLiteral("qrc:/resources/icons/%1.png").arg(iconName);
    return QStringLiteral("qrc:/resources/icons/%1_%2.png")
        .arg(iconName, m_darkStyle ? QStringLiteral("white") : QStringLiteral("black"));
}

QString Theme::updateResourceProperty(const QString &value) const
{
    if (value.isEmpty() || value.startsWith(QLatin1String("qrc:")) || value.startsWith(m_fileUrl))
        return value;
    // QML resolves a bare path against the QML file's own qrc: URL, so every
    // local path, absolute ones included, is handed over as a file URL.
    if (QDir::isRelativePath(value))
        return m_fileUrl + QFileInfo(brandingDirPath() + QLatin1Char('/') + value).absoluteFilePath();
    return m_fileUrl + value;
}

QString Theme::brandingDirPath() const
{
    if (!m_loadedBrandingFile.isEmpty())
        return QFileInfo(m_loadedBrandingFile).absolutePath();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/branding");
}

QString Theme::brandingFileName() const
{
    return brandingDirPath() + QStringLiteral("/branding.ini");
}

QList<ThemeProperty> Theme::themeProperties() const
{
    QList<ThemeProperty> properties = m_propertiesMap.values();
    std::stable_sort(
        properties.begin(), properties.end(),
        [](const ThemeProperty &a, const ThemeProperty &b) { return a.toolTip() < b.toolTip(); });
    return properties;
}

QList<ThemeProperty> Theme::themeSectionProperties() const
{
    QStringList names;
    for (const ThemeProperty &property : m_propertiesMap) {
        if (property.hasSections())
            names.append(property.sections());
    }
    names.removeDuplicates();
    names.sort(Qt::CaseSensitive);

    QList<ThemeProperty> sections;
    for (const QString &name : qAsConst(names))
        sections.append(ThemeProperty(name, name, -1, QString(), ThemeProperty::Color));
    return sections;
}

void Theme::initializePropertiesMap()
{
    for (const PropertyDefault &row : propertyDefaults) {
        const QVariant data = row.type == ThemeProperty::Bool
            ? QVariant(true)
            : QVariant(text(m_darkStyle ? row.dark : row.light));
        ThemeProperty property(text(row.id), data, row.section, text(row.toolTip), row.type);
        property.updateToolTipIfNeeded();
        m_propertiesMap.insert(property.id(), property);
    }
}

void Theme::readBrandingSettings(const QString &fileName)
{
    const QFileInfo file(fileName);
    if (!file.exists()) {
        initializePropertiesMap();
        return;
    }
    if (!file.isFile() || !file.isReadable()) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": Can't read branding file '%1'").arg(fileName);
        initializePropertiesMap();
        return;
    }

    QSettings settings(fileName, QSettings::IniFormat);
    settings.beginGroup(groupMain);
    const QString version = settingsText(settings.value(keyVersion, QStringLiteral("0")));
    m_brandingEnabled = settings.value(keyBrandingEnabled, m_brandingEnabled).toBool();
    if (!m_brandingEnabled) {
        qWarning().noquote() << objectName() + QStringLiteral(": Branding style is not enabled!");
        initializePropertiesMap();
        return;
    }
    m_darkStyle = settings.value(keyDarkStyle, true).toBool();
    settings.endGroup();
    qInfo().noquote() << objectName()
            + QStringLiteral(": Version '%1', enabled: %2, dark style: %3")
                  .arg(version, Utils::boolString(m_brandingEnabled), Utils::boolString(m_darkStyle));

    initializePropertiesMap();
    settings.beginGroup(groupStyle);
    for (ThemeProperty &property : m_propertiesMap)
        property.setData(settingsText(settings.value(property.id(), property.data().toString())));
    settings.endGroup();
    m_loadedBrandingFile = file.absoluteFilePath();
}

void Theme::notifyChanges(bool loaded)
{
    // Every QML property that can change has a notify signal carrying its value.
    const QMetaObject *meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.hasNotifySignal())
            continue;
        const QVariant value = property.read(this);
        property.notifySignal().invoke(this, Qt::DirectConnection,
                                       QGenericArgument(value.typeName(), value.constData()));
    }
    if (loaded)
        emit themeDataChanged(true);
}

void Theme::themePropertyChanged(const ThemeProperty &themeProperty)
{
    m_propertiesMap.insert(themeProperty.id(), themeProperty);
    if (themeProperty.id() == darkStyleId)
        m_darkStyle = themeProperty.data().toBool();
    notifyChanges(false);
}

bool Theme::load(const QString &url)
{
    const QString path = Utils::urlToLocalFile(url);
    if (path.isEmpty() || !QFile::exists(path)) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": File '%1' does not exist!").arg(path.isEmpty() ? url : path);
        return false;
    }
    readBrandingSettings(path);
    notifyChanges(true);
    return true;
}

bool Theme::save(const QString &url)
{
    const QString path = Utils::urlToLocalFile(url);
    if (path.isEmpty()) {
        qWarning().noquote() << objectName() + QStringLiteral(": Can't save theme to '%1'").arg(url);
        return false;
    }
    const QString themeDir = QFileInfo(path).absolutePath();
    bool imagesCopied = true;

    QSettings settings(path, QSettings::IniFormat);
    settings.clear();
    settings.beginGroup(groupMain);
    settings.setValue(keyDateTime,
                      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    settings.setValue(keyVersion, m_currentVersion);
    settings.setValue(keyBrandingEnabled, true);
    settings.setValue(keyDarkStyle, m_darkStyle);
    settings.endGroup();

    settings.beginGroup(groupStyle);
    for (const ThemeProperty &property : qAsConst(m_propertiesMap)) {
        QVariant value = property.data();
        // A picked image is stored beside the theme, in its "resources" folder.
        if ((property.id() == logoId || property.id() == backgroundId)
            && value.toString().startsWith(m_fileUrl)) {
            const QString relativePath = property.id() == logoId ? QStringLiteral("resources/logo.png")
                                                                 : QStringLiteral("resources/background.png");
            imagesCopied = copyImage(value.toString(), themeDir, relativePath) && imagesCopied;
            value = relativePath;
        }
        settings.setValue(property.id(), value);
    }
    settings.endGroup();
    settings.sync();

    if (settings.status() != QSettings::NoError) {
        qWarning().noquote() << objectName() + QStringLiteral(": Can't write theme file '%1'").arg(path);
        return false;
    }
    return imagesCopied;
}

bool Theme::copyImage(const QString &url, const QString &targetDir, const QString &relativePath) const
{
    const QString source = QUrl(url).toLocalFile();
    const QString target = targetDir + QLatin1Char('/') + relativePath;
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.isFile()) {
        qWarning().noquote() << objectName() + QStringLiteral(": Image '%1' does not exist!").arg(source);
        return true;
    }
    if (sourceInfo.canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return true;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    if (!QFile::copy(source, target)) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": Can't copy image '%1' to '%2'").arg(source, target);
        return false;
    }
    return true;
}

void Theme::seEnableLiveChanges(bool enable)
{
    const QString fileName = brandingFileName();
    if (enable) {
        const bool added = m_brandingFileWatcher.addPath(fileName);
        qInfo().noquote() << objectName()
                + QStringLiteral(": Set monitoring changes for '%1', status: '%2'")
                      .arg(QFileInfo(fileName).fileName(), Utils::boolString(added));
        connect(&m_brandingFileWatcher, &QFileSystemWatcher::fileChanged, this, &Theme::onBrandingFileChanged,
                Qt::UniqueConnection);
    } else {
        m_brandingFileWatcher.removePath(fileName);
        m_brandingFileWatcher.disconnect(this);
    }
}

void Theme::onBrandingFileChanged(const QString &fileName)
{
    qInfo().noquote() << objectName() + QStringLiteral(": Branding file has changed");
    // Editors that save by replacing the file make the watcher drop it.
    if (!m_brandingFileWatcher.files().contains(fileName) && QFile::exists(fileName))
        m_brandingFileWatcher.addPath(fileName);
    readBrandingSettings(brandingFileName());
    notifyChanges(true);
}
