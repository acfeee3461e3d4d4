#pragma once

#include "themeproperty.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

// The colours, opacities and images of the interface, published to QML as
// "uiStyle". Each property has a light and a dark default; a reseller
// overrides them with <applicationDir>/branding/branding.ini, the same INI
// format the theme editor loads and saves.
class Theme : public QObject
{
    Q_OBJECT
    // clang-format off
    Q_PROPERTY(QString generalBackgroundImage READ generalBackgroundImage NOTIFY generalBackgroundImageChanged)
    Q_PROPERTY(QString generalLogoFileName READ generalLogoFileName NOTIFY generalLogoFileNameChanged)
    Q_PROPERTY(QString generalBackgroundColor READ generalBackgroundColor NOTIFY generalBackgroundColorChanged)
    Q_PROPERTY(QString generalHeaderBackgroundColor READ generalHeaderBackgroundColor NOTIFY generalHeaderBackgroundColorChanged)
    Q_PROPERTY(QString generalTextFieldBorderColor READ generalTextFieldBorderColor NOTIFY generalTextFieldBorderColorChanged)
    Q_PROPERTY(QString generalSectionColor READ generalSectionColor NOTIFY generalSectionColorChanged)
    Q_PROPERTY(QString settingsPageHeaderBackgroundColor READ settingsPageHeaderBackgroundColor NOTIFY settingsPageHeaderBackgroundColorChanged)
    Q_PROPERTY(QString generalListViewItemActiveColor READ generalListViewItemActiveColor NOTIFY generalListViewItemActiveColorChanged)
    Q_PROPERTY(QString generalListViewItemBackgroundColor READ generalListViewItemBackgroundColor NOTIFY generalListViewItemBackgroundColorChanged)
    Q_PROPERTY(QString generalListViewSeparatorColor READ generalListViewSeparatorColor NOTIFY generalListViewSeparatorColorChanged)
    Q_PROPERTY(QString generalDefaultLabelColor READ generalDefaultLabelColor NOTIFY generalDefaultLabelColorChanged)
    Q_PROPERTY(QString generalBrightLabelColor READ generalBrightLabelColor NOTIFY generalBrightLabelColorChanged)
    Q_PROPERTY(QString settingsPageDefaultLabelColor1 READ settingsPageDefaultLabelColor1 NOTIFY settingsPageDefaultLabelColor1Changed)
    Q_PROPERTY(QString generalGreyLabelColor READ generalGreyLabelColor NOTIFY generalGreyLabelColorChanged)
    Q_PROPERTY(QString settingsPageDefaultLabelColor2 READ settingsPageDefaultLabelColor2 NOTIFY settingsPageDefaultLabelColor2Changed)
    Q_PROPERTY(QString generalLabelOpacity READ generalLabelOpacity NOTIFY generalLabelOpacityChanged)
    Q_PROPERTY(QString generalGreyLabelOpacity READ generalGreyLabelOpacity NOTIFY generalGreyLabelOpacityChanged)
    Q_PROPERTY(QString generalSmallGreyLabelOpacity READ generalSmallGreyLabelOpacity NOTIFY generalSmallGreyLabelOpacityChanged)
    Q_PROPERTY(QString generalButtonBackgroundColor READ generalButtonBackgroundColor NOTIFY generalButtonBackgroundColorChanged)
    Q_PROPERTY(QString generalButtonBackgroundColorPressed READ generalButtonBackgroundColorPressed NOTIFY generalButtonBackgroundColorPressedChanged)
    Q_PROPERTY(QString generalButtonTextColor READ generalButtonTextColor NOTIFY generalButtonTextColorChanged)
    Q_PROPERTY(QString generalButtonTextColorPressed READ generalButtonTextColorPressed NOTIFY generalButtonTextColorPressedChanged)
    Q_PROPERTY(QString generalTabBackgroundColor READ generalTabBackgroundColor NOTIFY generalTabBackgroundColorChanged)
    Q_PROPERTY(QString generalTabFontColor READ generalTabFontColor NOTIFY generalTabFontColorChanged)
    Q_PROPERTY(QString generalTabNonSelectedColor READ generalTabNonSelectedColor NOTIFY generalTabNonSelectedColorChanged)
    Q_PROPERTY(QString generalTabSelectedColor READ generalTabSelectedColor NOTIFY generalTabSelectedColorChanged)
    Q_PROPERTY(QString connectionPageSettingsButtonIconColor READ connectionPageSettingsButtonIconColor NOTIFY connectionPageSettingsButtonIconColorChanged)
    Q_PROPERTY(QString connectionPageSettingsButtonBackgroundColor READ connectionPageSettingsButtonBackgroundColor NOTIFY connectionPageSettingsButtonBackgroundColorChanged)
    Q_PROPERTY(QString connectionPageSettingsButtonBackgroundColorPressed READ connectionPageSettingsButtonBackgroundColorPressed NOTIFY connectionPageSettingsButtonBackgroundColorPressedChanged)
    Q_PROPERTY(QString connectionPageSettingsButtonTextColor READ connectionPageSettingsButtonTextColor NOTIFY connectionPageSettingsButtonTextColorChanged)
    Q_PROPERTY(QString connectionPageSettingsButtonTextColorPressed READ connectionPageSettingsButtonTextColorPressed NOTIFY connectionPageSettingsButtonTextColorPressedChanged)
    Q_PROPERTY(QString generalSwitchBackgroundColor READ generalSwitchBackgroundColor NOTIFY generalSwitchBackgroundColorChanged)
    Q_PROPERTY(QString generalSwitchBackgroundColorChecked READ generalSwitchBackgroundColorChecked NOTIFY generalSwitchBackgroundColorCheckedChanged)
    Q_PROPERTY(QString generalSwitchIndicatorColor READ generalSwitchIndicatorColor NOTIFY generalSwitchIndicatorColorChanged)
    Q_PROPERTY(QString generalSwitchIndicatorColorChecked READ generalSwitchIndicatorColorChecked NOTIFY generalSwitchIndicatorColorCheckedChanged)
    Q_PROPERTY(QString generalRadioButtonBackgroundColor READ generalRadioButtonBackgroundColor NOTIFY generalRadioButtonBackgroundColorChanged)
    Q_PROPERTY(QString generalRadioButtonBorderColor READ generalRadioButtonBorderColor NOTIFY generalRadioButtonBorderColorChanged)
    Q_PROPERTY(QString generalRadioButtonSelectedColor READ generalRadioButtonSelectedColor NOTIFY generalRadioButtonSelectedColorChanged)
    Q_PROPERTY(QString connectionPageCirclesColor READ connectionPageCirclesColor NOTIFY connectionPageCirclesColorChanged)
    Q_PROPERTY(QString connectionPageVpnDisconnectedButtonGradientColor1 READ connectionPageVpnDisconnectedButtonGradientColor1 NOTIFY connectionPageVpnDisconnectedButtonGradientColor1Changed)
    Q_PROPERTY(QString connectionPageVpnDisconnectedButtonGradientColor2 READ connectionPageVpnDisconnectedButtonGradientColor2 NOTIFY connectionPageVpnDisconnectedButtonGradientColor2Changed)
    Q_PROPERTY(QString connectionPageVpnDisconnectedButtonGradientColor3 READ connectionPageVpnDisconnectedButtonGradientColor3 NOTIFY connectionPageVpnDisconnectedButtonGradientColor3Changed)
    Q_PROPERTY(QString connectionPageVpnSwitchBackgroundColor READ connectionPageVpnSwitchBackgroundColor NOTIFY connectionPageVpnSwitchBackgroundColorChanged)
    Q_PROPERTY(QString connectionPageVpnSwitchLabelColor READ connectionPageVpnSwitchLabelColor NOTIFY connectionPageVpnSwitchLabelColorChanged)
    Q_PROPERTY(QString connectionPageVpnConnectedButtonGradientColor1 READ connectionPageVpnConnectedButtonGradientColor1 NOTIFY connectionPageVpnConnectedButtonGradientColor1Changed)
    Q_PROPERTY(QString connectionPageVpnConnectedButtonGradientColor2 READ connectionPageVpnConnectedButtonGradientColor2 NOTIFY connectionPageVpnConnectedButtonGradientColor2Changed)
    Q_PROPERTY(QString connectionPageVpnConnectedButtonGradientColor3 READ connectionPageVpnConnectedButtonGradientColor3 NOTIFY connectionPageVpnConnectedButtonGradientColor3Changed)
    Q_PROPERTY(QString connectionPageVpnDurationLabelColor READ connectionPageVpnDurationLabelColor NOTIFY connectionPageVpnDurationLabelColorChanged)
    Q_PROPERTY(QString connectionPageVpnDurationBackgroundColor READ connectionPageVpnDurationBackgroundColor NOTIFY connectionPageVpnDurationBackgroundColorChanged)
    Q_PROPERTY(QString connectionPageVpnTimerLabelColor READ connectionPageVpnTimerLabelColor NOTIFY connectionPageVpnTimerLabelColorChanged)
    Q_PROPERTY(QString generalHeaderActiveColor READ generalHeaderActiveColor NOTIFY generalHeaderActiveColorChanged)
    Q_PROPERTY(bool brandingEnabled READ brandingEnabled NOTIFY brandingEnabledChanged)
    Q_PROPERTY(bool darkStyle READ darkStyle NOTIFY darkStyleChanged)
    Q_PROPERTY(int scrollBarWidth READ scrollBarWidth NOTIFY scrollBarWidthChanged)
    Q_PROPERTY(bool settingsPageShowLogs READ settingsPageShowLogs CONSTANT)
    // clang-format on

public:
    static const QString m_fileUrl;
    static const int m_currentVersion;

    explicit Theme(QObject *parent = nullptr);

    // The text properties, read from the table.
    // clang-format off
    QString generalBackgroundImage() const { return updateResourceProperty(textProperty(QStringLiteral("generalBackgroundImage"))); }
    QString generalLogoFileName() const { return updateResourceProperty(textProperty(QStringLiteral("generalLogoFileName"))); }
    QString generalBackgroundColor() const { return textProperty(QStringLiteral("generalBackgroundColor")); }
    QString generalHeaderBackgroundColor() const { return textProperty(QStringLiteral("generalHeaderBackgroundColor")); }
    QString generalTextFieldBorderColor() const { return textProperty(QStringLiteral("generalTextFieldBorderColor")); }
    QString generalSectionColor() const { return textProperty(QStringLiteral("generalSectionColor")); }
    QString settingsPageHeaderBackgroundColor() const { return textProperty(QStringLiteral("settingsPageHeaderBackgroundColor")); }
    QString generalListViewItemActiveColor() const { return textProperty(QStringLiteral("generalListViewItemActiveColor")); }
    QString generalListViewItemBackgroundColor() const { return textProperty(QStringLiteral("generalListViewItemBackgroundColor")); }
    QString generalListViewSeparatorColor() const { return textProperty(QStringLiteral("generalListViewSeparatorColor")); }
    QString generalDefaultLabelColor() const { return textProperty(QStringLiteral("generalDefaultLabelColor")); }
    QString generalBrightLabelColor() const { return textProperty(QStringLiteral("generalBrightLabelColor")); }
    QString settingsPageDefaultLabelColor1() const { return textProperty(QStringLiteral("settingsPageDefaultLabelColor1")); }
    QString generalGreyLabelColor() const { return textProperty(QStringLiteral("generalGreyLabelColor")); }
    QString settingsPageDefaultLabelColor2() const { return textProperty(QStringLiteral("settingsPageDefaultLabelColor2")); }
    QString generalLabelOpacity() const { return textProperty(QStringLiteral("generalLabelOpacity")); }
    QString generalGreyLabelOpacity() const { return textProperty(QStringLiteral("generalGreyLabelOpacity")); }
    QString generalSmallGreyLabelOpacity() const { return textProperty(QStringLiteral("generalSmallGreyLabelOpacity")); }
    QString generalButtonBackgroundColor() const { return textProperty(QStringLiteral("generalButtonBackgroundColor")); }
    QString generalButtonBackgroundColorPressed() const { return textProperty(QStringLiteral("generalButtonBackgroundColorPressed")); }
    QString generalButtonTextColor() const { return textProperty(QStringLiteral("generalButtonTextColor")); }
    QString generalButtonTextColorPressed() const { return textProperty(QStringLiteral("generalButtonTextColorPressed")); }
    QString generalTabBackgroundColor() const { return textProperty(QStringLiteral("generalTabBackgroundColor")); }
    QString generalTabFontColor() const { return textProperty(QStringLiteral("generalTabFontColor")); }
    QString generalTabNonSelectedColor() const { return textProperty(QStringLiteral("generalTabNonSelectedColor")); }
    QString generalTabSelectedColor() const { return textProperty(QStringLiteral("generalTabSelectedColor")); }
    QString connectionPageSettingsButtonIconColor() const { return textProperty(QStringLiteral("connectionPageSettingsButtonIconColor")); }
    QString connectionPageSettingsButtonBackgroundColor() const { return textProperty(QStringLiteral("connectionPageSettingsButtonBackgroundColor")); }
    QString connectionPageSettingsButtonBackgroundColorPressed() const { return textProperty(QStringLiteral("connectionPageSettingsButtonBackgroundColorPressed")); }
    QString connectionPageSettingsButtonTextColor() const { return textProperty(QStringLiteral("connectionPageSettingsButtonTextColor")); }
    QString connectionPageSettingsButtonTextColorPressed() const { return textProperty(QStringLiteral("connectionPageSettingsButtonTextColorPressed")); }
    QString generalSwitchBackgroundColor() const { return textProperty(QStringLiteral("generalSwitchBackgroundColor")); }
    QString generalSwitchBackgroundColorChecked() const { return textProperty(QStringLiteral("generalSwitchBackgroundColorChecked")); }
    QString generalSwitchIndicatorColor() const { return textProperty(QStringLiteral("generalSwitchIndicatorColor")); }
    QString generalSwitchIndicatorColorChecked() const { return textProperty(QStringLiteral("generalSwitchIndicatorColorChecked")); }
    QString generalRadioButtonBackgroundColor() const { return textProperty(QStringLiteral("generalRadioButtonBackgroundColor")); }
    QString generalRadioButtonBorderColor() const { return textProperty(QStringLiteral("generalRadioButtonBorderColor")); }
    QString generalRadioButtonSelectedColor() const { return textProperty(QStringLiteral("generalRadioButtonSelectedColor")); }
    QString connectionPageCirclesColor() const { return textProperty(QStringLiteral("connectionPageCirclesColor")); }
    QString connectionPageVpnDisconnectedButtonGradientColor1() const { return textProperty(QStringLiteral("connectionPageVpnDisconnectedButtonGradientColor1")); }
    QString connectionPageVpnDisconnectedButtonGradientColor2() const { return textProperty(QStringLiteral("connectionPageVpnDisconnectedButtonGradientColor2")); }
    QString connectionPageVpnDisconnectedButtonGradientColor3() const { return textProperty(QStringLiteral("connectionPageVpnDisconnectedButtonGradientColor3")); }
    QString connectionPageVpnSwitchBackgroundColor() const { return textProperty(QStringLiteral("connectionPageVpnSwitchBackgroundColor")); }
    QString connectionPageVpnSwitchLabelColor() const { return textProperty(QStringLiteral("connectionPageVpnSwitchLabelColor")); }
    QString connectionPageVpnConnectedButtonGradientColor1() const { return textProperty(QStringLiteral("connectionPageVpnConnectedButtonGradientColor1")); }
    QString connectionPageVpnConnectedButtonGradientColor2() const { return textProperty(QStringLiteral("connectionPageVpnConnectedButtonGradientColor2")); }
    QString connectionPageVpnConnectedButtonGradientColor3() const { return textProperty(QStringLiteral("connectionPageVpnConnectedButtonGradientColor3")); }
    QString connectionPageVpnDurationLabelColor() const { return textProperty(QStringLiteral("connectionPageVpnDurationLabelColor")); }
    QString connectionPageVpnDurationBackgroundColor() const { return textProperty(QStringLiteral("connectionPageVpnDurationBackgroundColor")); }
    QString connectionPageVpnTimerLabelColor() const { return textProperty(QStringLiteral("connectionPageVpnTimerLabelColor")); }
    // clang-format on
    // Has no entry in the table, so it always reads empty.
    QString generalHeaderActiveColor() const
    {
        return textProperty(QStringLiteral("generalHeaderActiveColor"));
    }
    bool brandingEnabled() const { return m_brandingEnabled; }
    bool darkStyle() const { return m_darkStyle; }
    int scrollBarWidth() const { return 4; }
    bool settingsPageShowLogs() const;

    // "qrc:/resources/icons/<name>_white.png" or "_black.png" by the style, or the unstyled icon.
    Q_INVOKABLE QString iconSource(const QString &iconName, bool useStyle = true) const;
    // An image value as a URL QML can load: relative paths are taken from the branding folder.
    Q_INVOKABLE QString updateResourceProperty(const QString &value) const;
    // Reads a theme file given as a URL; false when it does not exist.
    Q_INVOKABLE bool load(const QString &url);
    // Writes the current theme to the file given as a URL; picked images are
    // copied into its "resources" folder. False when the file cannot be written.
    Q_INVOKABLE bool save(const QString &url);

    QString brandingDirPath() const;
    QString brandingFileName() const;
    QMap<QString, ThemeProperty> themePropertiesMap() const { return m_propertiesMap; }
    // Every property, sorted by tool tip.
    QList<ThemeProperty> themeProperties() const;
    // One pseudo-property per section in use, sorted by name.
    QList<ThemeProperty> themeSectionProperties() const;

    void seEnableLiveChanges(bool enable);
    // Emits the change signal of every QML property; with loaded, also themeDataChanged(true).
    void notifyChanges(bool loaded);

signals:
    void generalBackgroundImageChanged(const QString &value);
    void generalLogoFileNameChanged(const QString &value);
    void generalBackgroundColorChanged(const QString &value);
    void generalHeaderBackgroundColorChanged(const QString &value);
    void generalTextFieldBorderColorChanged(const QString &value);
    void generalSectionColorChanged(const QString &value);
    void settingsPageHeaderBackgroundColorChanged(const QString &value);
    void generalListViewItemActiveColorChanged(const QString &value);
    void generalListViewItemBackgroundColorChanged(const QString &value);
    void generalListViewSeparatorColorChanged(const QString &value);
    void generalDefaultLabelColorChanged(const QString &value);
    void generalBrightLabelColorChanged(const QString &value);
    void settingsPageDefaultLabelColor1Changed(const QString &value);
    void generalGreyLabelColorChanged(const QString &value);
    void settingsPageDefaultLabelColor2Changed(const QString &value);
    void generalLabelOpacityChanged(const QString &value);
    void generalGreyLabelOpacityChanged(const QString &value);
    void generalSmallGreyLabelOpacityChanged(const QString &value);
    void generalButtonBackgroundColorChanged(const QString &value);
    void generalButtonBackgroundColorPressedChanged(const QString &value);
    void generalButtonTextColorChanged(const QString &value);
    void generalButtonTextColorPressedChanged(const QString &value);
    void generalTabBackgroundColorChanged(const QString &value);
    void generalTabFontColorChanged(const QString &value);
    void generalTabNonSelectedColorChanged(const QString &value);
    void generalTabSelectedColorChanged(const QString &value);
    void connectionPageSettingsButtonIconColorChanged(const QString &value);
    void connectionPageSettingsButtonBackgroundColorChanged(const QString &value);
    void connectionPageSettingsButtonBackgroundColorPressedChanged(const QString &value);
    void connectionPageSettingsButtonTextColorChanged(const QString &value);
    void connectionPageSettingsButtonTextColorPressedChanged(const QString &value);
    void generalSwitchBackgroundColorChanged(const QString &value);
    void generalSwitchBackgroundColorCheckedChanged(const QString &value);
    void generalSwitchIndicatorColorChanged(const QString &value);
    void generalSwitchIndicatorColorCheckedChanged(const QString &value);
    void generalRadioButtonBackgroundColorChanged(const QString &value);
    void generalRadioButtonBorderColorChanged(const QString &value);
    void generalRadioButtonSelectedColorChanged(const QString &value);
    void connectionPageCirclesColorChanged(const QString &value);
    void connectionPageVpnDisconnectedButtonGradientColor1Changed(const QString &value);
    void connectionPageVpnDisconnectedButtonGradientColor2Changed(const QString &value);
    void connectionPageVpnDisconnectedButtonGradientColor3Changed(const QString &value);
    void connectionPageVpnSwitchBackgroundColorChanged(const QString &value);
    void connectionPageVpnSwitchLabelColorChanged(const QString &value);
    void connectionPageVpnConnectedButtonGradientColor1Changed(const QString &value);
    void connectionPageVpnConnectedButtonGradientColor2Changed(const QString &value);
    void connectionPageVpnConnectedButtonGradientColor3Changed(const QString &value);
    void connectionPageVpnDurationLabelColorChanged(const QString &value);
    void connectionPageVpnDurationBackgroundColorChanged(const QString &value);
    void connectionPageVpnTimerLabelColorChanged(const QString &value);
    void generalHeaderActiveColorChanged(const QString &value);
    void brandingEnabledChanged(bool value);
    void darkStyleChanged(bool value);
    void scrollBarWidthChanged(int value);
    void themeDataChanged(bool loaded);

public slots:
    void themePropertyChanged(const ThemeProperty &themeProperty);

protected slots:
    void onBrandingFileChanged(const QString &fileName);

private:
    void readBrandingSettings(const QString &fileName);
    void initializePropertiesMap();
    QString textProperty(const QString &id) const;
    bool copyImage(const QString &url, const QString &targetDir, const QString &relativePath) const;

    bool m_brandingEnabled = true;
    bool m_darkStyle = false;
    QMap<QString, ThemeProperty> m_propertiesMap;
    QFileSystemWatcher m_brandingFileWatcher;
    QString m_loadedBrandingFile;
};
