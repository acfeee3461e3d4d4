#include "theme.h"

#include <QtTest>

#include <unistd.h>

namespace {
QString fileUrl(const QString &path)
{
    return QUrl::fromLocalFile(path).toString();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

void writeImage(const QString &path, const QColor &color)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(color);
    QVERIFY(image.save(path, "PNG"));
}
} // namespace

// The theme reads <applicationDir>/branding/branding.ini; this test runs from a
// folder of its own and removes the branding folder after every case.
class TestTheme : public QObject
{
    Q_OBJECT

    QString brandingDir() const { return QCoreApplication::applicationDirPath() + "/branding"; }
    QString brandingIni() const { return brandingDir() + "/branding.ini"; }

private slots:
    void init() { QDir(brandingDir()).removeRecursively(); }
    void cleanup() { QDir(brandingDir()).removeRecursively(); }

    void defaultsWithoutBrandingFolder()
    {
        const Theme theme;
        QVERIFY(theme.brandingEnabled());
        QVERIFY(!theme.darkStyle());
        QCOMPARE(theme.brandingDirPath(), brandingDir());
        QCOMPARE(theme.brandingFileName(), brandingIni());
        QCOMPARE(theme.generalLogoFileName(), QString("qrc:/resources/icons/vpn.png"));
        QVERIFY(QFile::exists(":/resources/icons/vpn.png") || !QFile::exists(":/resources"));
        QCOMPARE(theme.generalBackgroundImage(), QString());
        QCOMPARE(theme.generalBackgroundColor(), QString("#f6f7f9"));
        QCOMPARE(theme.generalLabelOpacity(), QString("1.0"));
        QCOMPARE(theme.settingsPageDefaultLabelColor2(), QString("#9a9a9a"));
        QCOMPARE(theme.connectionPageVpnTimerLabelColor(), QString("#2bbd64"));
        QCOMPARE(theme.connectionPageSettingsButtonIconColor(), QString());
        QCOMPARE(theme.generalHeaderActiveColor(), QString());
        QVERIFY(theme.settingsPageShowLogs());
        QCOMPARE(theme.scrollBarWidth(), 4);
        QCOMPARE(theme.iconSource("close"), QString("qrc:/resources/icons/close_black.png"));
        QCOMPARE(theme.iconSource("vpn", false), QString("qrc:/resources/icons/vpn.png"));
        QCOMPARE(theme.themePropertiesMap().size(), 52);
        QCOMPARE(theme.themePropertiesMap().value("settingsPageShowLogs").data(), QVariant(true));
    }

    // Every text property of the table is a QML property of the same name, and
    // every QML text property but generalHeaderActiveColor has a table entry.
    void qmlPropertiesMatchTable()
    {
        const Theme theme;
        const QMap<QString, ThemeProperty> map = theme.themePropertiesMap();
        const QMetaObject *meta = theme.metaObject();
        QStringList textProperties;
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (property.userType() == QMetaType::QString) {
                textProperties.append(property.name());
                QVERIFY2(property.hasNotifySignal(), property.name());
                QCOMPARE(property.notifySignal().name(), QByteArray(property.name()) + "Changed");
            }
        }
        QCOMPARE(textProperties.size(), 51);
        for (const QString &name : qAsConst(textProperties)) {
            if (name != "generalHeaderActiveColor")
                QVERIFY2(map.contains(name), qPrintable(name));
        }
        for (const ThemeProperty &property : map) {
            if (property.dataType() != ThemeProperty::Bool)
                QVERIFY2(textProperties.contains(property.id()), qPrintable(property.id()));
            // Exactly one section each, except the settings button icon colour.
            if (property.id() == "connectionPageSettingsButtonIconColor") {
                QVERIFY(!property.hasSections());
                QCOMPARE(property.toolTip(), property.id());
            } else {
                QCOMPARE(property.sections().size(), 1);
            }
        }
    }

    void brandingFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("brandingEnabled");
        QTest::addColumn<bool>("darkStyle");
        QTest::addColumn<QString>("backgroundColor");
        QTest::addColumn<QString>("labelColor");
        QTest::addColumn<bool>("showLogs");
        QTest::addColumn<bool>("loaded");

        QTest::newRow("only enabled")
            << QByteArray("[Main]\nbrandingEnabled=true\n") << true << true << "#102847"
            << "white" << true << true;
        QTest::newRow("light with overrides")
            << QByteArray("[Main]\nversion=1\nbrandingEnabled=true\ndarkStyle=false\n"
                          "[Style]\ngeneralBackgroundColor=#123456\nsettingsPageShowLogs=false\n")
            << true << false << "#123456"
            << "black" << false << true;
        QTest::newRow("disabled ignores the rest")
            << QByteArray("[Main]\nbrandingEnabled=false\ndarkStyle=true\n[Style]\n"
                          "generalBackgroundColor=#123456\nsettingsPageShowLogs=false\n")
            << false << false << "#f6f7f9"
            << "black" << true << false;
        QTest::newRow("garbage values as given")
            << QByteArray("[Main]\nversion=abc\nbrandingEnabled=yes\ndarkStyle=0\n[Style]\n"
                          "generalBackgroundColor=not a colour\ngeneralDefaultLabelColor=\n")
            << true << false << "not a colour" << QString("") << true << true;
        QTest::newRow("unquoted commas kept as text")
            << QByteArray("[Main]\ndarkStyle=false\n[Style]\ngeneralBackgroundColor=1,2, 3\n") << true
            << false << "1, 2, 3"
            << "black" << true << true;
        QTest::newRow("missing groups") << QByteArray("[Other]\nkey=value\n") << true << true << "#102847"
                                        << "white" << true << true;
        QTest::newRow("empty file") << QByteArray() << true << true << "#102847"
                                    << "white" << true << true;
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 7919 + 13) % 256));
        QTest::newRow("binary") << binary << true << true << "#102847"
                                << "white" << true << true;
    }
    void brandingFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, brandingEnabled);
        QFETCH(bool, darkStyle);
        QFETCH(QString, backgroundColor);
        QFETCH(QString, labelColor);
        QFETCH(bool, showLogs);
        QFETCH(bool, loaded);

        writeFile(brandingIni(), content);
        const Theme theme;
        QCOMPARE(theme.brandingEnabled(), brandingEnabled);
        QCOMPARE(theme.darkStyle(), darkStyle);
        QCOMPARE(theme.generalBackgroundColor(), backgroundColor);
        QCOMPARE(theme.generalDefaultLabelColor(), labelColor);
        QCOMPARE(theme.settingsPageShowLogs(), showLogs);
        QCOMPARE(theme.iconSource("search"),
                 QString("qrc:/resources/icons/search_%1.png").arg(darkStyle ? "white" : "black"));
        QCOMPARE(theme.themePropertiesMap().size(), 52);
        QCOMPARE(theme.generalHeaderActiveColor(), QString());
        // The folder of a file read with branding enabled is the branding folder.
        QCOMPARE(theme.brandingDirPath(), brandingDir());
        if (loaded)
            QCOMPARE(theme.themePropertiesMap().value("appPropertyDarkStyle").data(), QVariant("true"));
    }

    void disabledBrandingWarns()
    {
        writeFile(brandingIni(), "[Main]\nbrandingEnabled=false\n");
        QTest::ignoreMessage(QtWarningMsg, "Theme: Branding style is not enabled!");
        const Theme theme;
        QVERIFY(!theme.brandingEnabled());
    }

    void unreadableBrandingFileGivesDefaults()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        writeFile(brandingIni(), "[Main]\ndarkStyle=true\n");
        QFile::setPermissions(brandingIni(), QFileDevice::Permissions());
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QString("Theme: Can't read branding file '%1'").arg(brandingIni())));
        const Theme theme;
        QVERIFY(!theme.darkStyle());
        QCOMPARE(theme.generalBackgroundColor(), QString("#f6f7f9"));
    }

    void imagePaths_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QString dir = QCoreApplication::applicationDirPath() + "/branding";
        QTest::newRow("relative") << "resources/logo.png"
                                  << "file:///" + dir + "/resources/logo.png";
        QTest::newRow("relative with dots") << "../branding/resources/logo.png"
                                            << "file:///" + dir + "/resources/logo.png";
        QTest::newRow("qrc") << "qrc:/resources/icons/vpn.png"
                             << "qrc:/resources/icons/vpn.png";
        QTest::newRow("file url") << "file:///tmp/logo.png"
                                  << "file:///tmp/logo.png";
        QTest::newRow("absolute") << "/nonexistent/dir/logo.png"
                                  << "file:////nonexistent/dir/logo.png";
        QTest::newRow("empty") << QString("") << QString("");
    }
    void imagePaths()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        writeImage(brandingDir() + "/resources/logo.png", Qt::red);
        writeFile(brandingIni(),
                  QString("[Main]\ndarkStyle=false\n[Style]\ngeneralLogoFileName=\"%"
                          "1\"\ngeneralBackgroundImage=\"%1\"\n")
                      .arg(value)
                      .toUtf8());
        const Theme theme;
        QCOMPARE(theme.generalLogoFileName(), expected);
        QCOMPARE(theme.generalBackgroundImage(), expected);
        QCOMPARE(theme.updateResourceProperty(value), expected);
        // The URL names the file the branding folder holds.
        if (value.startsWith("resources") || value.startsWith(".."))
            QVERIFY(QFile::exists(QUrl(expected).toLocalFile()));
    }

    void saveAndLoadRoundTrip()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pickedLogo = dir.filePath("picked/my logo.png");
        writeImage(pickedLogo, Qt::blue);

        Theme theme;
        ThemeProperty background = theme.themePropertiesMap().value("generalBackgroundColor");
        background.setData("#abcdef");
        theme.themePropertyChanged(background);
        ThemeProperty logo = theme.themePropertiesMap().value("generalLogoFileName");
        logo.setData(fileUrl(pickedLogo));
        theme.themePropertyChanged(logo);
        ThemeProperty image = theme.themePropertiesMap().value("generalBackgroundImage");
        image.setData(fileUrl(dir.filePath("missing/background.png")));
        theme.themePropertyChanged(image);
        ThemeProperty dark = theme.themePropertiesMap().value("appPropertyDarkStyle");
        dark.setData(false);
        theme.themePropertyChanged(dark);

        const QString saved = dir.filePath("theme/mytheme.ini");
        QDir().mkpath(QFileInfo(saved).absolutePath());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^Theme: Image '.*background.png' does not exist!$"));
        QVERIFY(theme.save(fileUrl(saved)));

        {
            QSettings ini(saved, QSettings::IniFormat);
            QCOMPARE(ini.value("Main/version").toInt(), 1);
            QCOMPARE(ini.value("Main/brandingEnabled").toBool(), true);
            QCOMPARE(ini.value("Main/darkStyle").toBool(), false);
            QVERIFY(QDateTime::fromString(ini.value("Main/dateTime").toString(), "yyyy-MM-dd hh:mm:ss")
                        .isValid());
            QCOMPARE(ini.value("Style/generalLogoFileName").toString(), QString("resources/logo.png"));
            QCOMPARE(ini.value("Style/generalBackgroundImage").toString(),
                     QString("resources/background.png"));
            QCOMPARE(ini.value("Style/generalBackgroundColor").toString(), QString("#abcdef"));
            ini.beginGroup("Style");
            QCOMPARE(ini.childKeys().size(), 52);
        }
        // The picked logo travels with the theme.
        QCOMPARE(QImage(dir.filePath("theme/resources/logo.png")).pixelColor(0, 0), QColor(Qt::blue));

        Theme loaded;
        QSignalSpy dataChanged(&loaded, &Theme::themeDataChanged);
        QSignalSpy backgroundChanged(&loaded, &Theme::generalBackgroundColorChanged);
        QVERIFY(loaded.load(fileUrl(saved)));
        QCOMPARE(dataChanged.count(), 1);
        QCOMPARE(dataChanged.first().first().toBool(), true);
        QCOMPARE(backgroundChanged.count(), 1);
        QCOMPARE(backgroundChanged.first().first().toString(), QString("#abcdef"));
        QCOMPARE(loaded.generalBackgroundColor(), QString("#abcdef"));
        QVERIFY(!loaded.darkStyle());
        QCOMPARE(loaded.brandingDirPath(), QFileInfo(saved).absolutePath());
        QCOMPARE(loaded.generalLogoFileName(), "file:///" + dir.filePath("theme/resources/logo.png"));

        // Every value comes back as text.
        const QMap<QString, ThemeProperty> before = theme.themePropertiesMap();
        const QMap<QString, ThemeProperty> after = loaded.themePropertiesMap();
        QCOMPARE(after.keys(), before.keys());
        for (const ThemeProperty &property : after) {
            if (property.dataType() == ThemeProperty::Image)
                continue;
            QCOMPARE(property.data().toString(), before.value(property.id()).data().toString());
            QCOMPARE(property.toolTip(), before.value(property.id()).toolTip());
        }

        // Saving again over the loaded theme keeps the copied logo.
        QVERIFY(loaded.save(fileUrl(saved)));
        QCOMPARE(QImage(dir.filePath("theme/resources/logo.png")).pixelColor(0, 0), QColor(Qt::blue));
    }

    void saveToUnwritablePlaceFails()
    {
        Theme theme;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Theme: Can't write theme file"));
        QVERIFY(!theme.save(fileUrl("/proc/no-such-dir/theme.ini")));
        QTest::ignoreMessage(QtWarningMsg, "Theme: Can't save theme to 'not a url'");
        QVERIFY(!theme.save("not a url"));
    }

    void loadMissingFileChangesNothing()
    {
        Theme theme;
        QSignalSpy dataChanged(&theme, &Theme::themeDataChanged);
        const QMap<QString, ThemeProperty> before = theme.themePropertiesMap();
        QTest::ignoreMessage(QtWarningMsg, "Theme: File '/nonexistent/theme.ini' does not exist!");
        QVERIFY(!theme.load("file:///nonexistent/theme.ini"));
        QCOMPARE(dataChanged.count(), 0);
        QCOMPARE(theme.themePropertiesMap(), before);
        QCOMPARE(theme.brandingDirPath(), brandingDir());
    }

    void notifyChanges()
    {
        Theme theme;
        QSignalSpy dataChanged(&theme, &Theme::themeDataChanged);
        QSignalSpy logo(&theme, &Theme::generalLogoFileNameChanged);
        QSignalSpy header(&theme, &Theme::generalHeaderActiveColorChanged);
        QSignalSpy dark(&theme, &Theme::darkStyleChanged);
        QSignalSpy width(&theme, &Theme::scrollBarWidthChanged);
        QSignalSpy timer(&theme, &Theme::connectionPageVpnTimerLabelColorChanged);

        theme.notifyChanges(false);
        QCOMPARE(dataChanged.count(), 0);
        QCOMPARE(logo.count(), 1);
        QCOMPARE(logo.first().first().toString(), QString("qrc:/resources/icons/vpn.png"));
        QCOMPARE(header.count(), 1);
        QCOMPARE(header.first().first().toString(), QString());
        QCOMPARE(dark.count(), 1);
        QCOMPARE(dark.first().first().toBool(), false);
        QCOMPARE(width.first().first().toInt(), 4);
        QCOMPARE(timer.first().first().toString(), QString("#2bbd64"));

        theme.notifyChanges(true);
        QCOMPARE(dataChanged.count(), 1);
        QCOMPARE(logo.count(), 2);
    }

    void liveEditSwitchesIconStyle()
    {
        Theme theme;
        QSignalSpy dark(&theme, &Theme::darkStyleChanged);
        ThemeProperty property = theme.themePropertiesMap().value("appPropertyDarkStyle");
        property.setData(true);
        theme.themePropertyChanged(property);
        QVERIFY(theme.darkStyle());
        QCOMPARE(dark.last().first().toBool(), true);
        QCOMPARE(theme.iconSource("uparrow"), QString("qrc:/resources/icons/uparrow_white.png"));
        // The defaults are not recomputed by the switch.
        QCOMPARE(theme.generalBackgroundColor(), QString("#f6f7f9"));
    }

    void themeSectionProperties()
    {
        const Theme theme;
        const QList<ThemeProperty> sections = theme.themeSectionProperties();
        QStringList ids;
        for (const ThemeProperty &section : sections) {
            ids.append(section.id());
            QCOMPARE(section.data().toString(), section.id());
            QVERIFY(!section.hasSections());
            QVERIFY(section.toolTip().isEmpty());
            QCOMPARE(section.dataType(), ThemeProperty::Color);
        }
        QCOMPARE(
            ids,
            (QStringList {"App property", "Button", "General", "Image", "Label", "ListView", "RadioButton",
                          "SettingsButton", "Switch", "TabButton", "VpnConnectionButton"}));
    }

    void themePropertiesSortedByToolTip()
    {
        const Theme theme;
        const QList<ThemeProperty> properties = theme.themeProperties();
        QCOMPARE(properties.size(), 52);
        for (int i = 1; i < properties.size(); ++i)
            QVERIFY(!(properties.at(i).toolTip() < properties.at(i - 1).toolTip()));
        QCOMPARE(properties.first().toolTip(), QString("Active color"));
    }

    void liveWatchingRereadsTheFile()
    {
        writeFile(brandingIni(), "[Main]\ndarkStyle=false\n[Style]\ngeneralBackgroundColor=#a\n");
        // Each write changes the size: QSettings caches a file whose size and
        // time stamp look unchanged, and these writes come within a millisecond.
        Theme theme;
        QCOMPARE(theme.generalBackgroundColor(), QString("#a"));
        QTest::ignoreMessage(QtInfoMsg, "Theme: Set monitoring changes for 'branding.ini', status: 'true'");
        theme.seEnableLiveChanges(true);
        QSignalSpy dataChanged(&theme, &Theme::themeDataChanged);

        writeFile(brandingIni(), "[Main]\ndarkStyle=false\n[Style]\ngeneralBackgroundColor=#bb\n");
        // The file may be seen half-written first; the last change wins.
        QTRY_COMPARE_WITH_TIMEOUT(theme.generalBackgroundColor(), QString("#bb"), 5000);
        QVERIFY(dataChanged.count() >= 1);

        // A file replaced by rename (as editors save) is still watched.
        const QString replacement = brandingDir() + "/branding.ini.new";
        writeFile(replacement, "[Main]\ndarkStyle=false\n[Style]\ngeneralBackgroundColor=#ccc\n");
        QFile::remove(brandingIni());
        QVERIFY(QFile::rename(replacement, brandingIni()));
        QTRY_COMPARE_WITH_TIMEOUT(theme.generalBackgroundColor(), QString("#ccc"), 5000);
        dataChanged.clear();
        writeFile(brandingIni(), "[Main]\ndarkStyle=false\n[Style]\ngeneralBackgroundColor=#dddd\n");
        QTRY_COMPARE_WITH_TIMEOUT(theme.generalBackgroundColor(), QString("#dddd"), 5000);

        theme.seEnableLiveChanges(false);
        dataChanged.clear();
        writeFile(brandingIni(), "[Main]\ndarkStyle=false\n[Style]\ngeneralBackgroundColor=#eeeee\n");
        QVERIFY(!dataChanged.wait(300));
        QCOMPARE(theme.generalBackgroundColor(), QString("#dddd"));
    }
};

QTEST_GUILESS_MAIN(TestTheme)
#include "test_theme.moc"
