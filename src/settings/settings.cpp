#include "settings.h"

#include "buildconfig.h"

#include <QStandardPaths>

namespace {
const QString groupSettings = QStringLiteral("Settings");
}

Settings::Settings()
    : m_settings(new QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("VPN"),
                               QStringLiteral("VPNClient"), this))
{
    setObjectName(QStringLiteral("Settings"));
    m_settings->beginGroup(groupSettings);
    m_language = m_settings->value(QStringLiteral("language")).toString();
    m_startMinimized = m_settings->value(QStringLiteral("startMinimized"), 0).toInt();
    m_settings->endGroup();
}

Settings *Settings::instance()
{
    static Settings *settings = new Settings();
    return settings;
}

QString Settings::titleName()
{
    return QString::fromUtf8(BuildConfig::title);
}

QString Settings::osName()
{
    return QStringLiteral("Linux");
}

QString Settings::qmlPath(const QString &name)
{
    return QStringLiteral("qrc:/qml/%1").arg(name);
}

QString Settings::iconPath(const QString &name)
{
    return QStringLiteral("qrc:/resources/icons/%1").arg(name);
}

QString Settings::appDataPath()
{
    static const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return path;
}

QString Settings::fileName() const
{
    return m_settings->fileName();
}

bool Settings::isWritable() const
{
    return m_settings->isWritable();
}

QString Settings::language() const
{
    return m_language;
}

void Settings::setLanguage(const QString &language)
{
    if (m_language == language)
        return;
    m_language = language;
    emit languageChanged(m_language);
}

int Settings::startMinimized() const
{
    return m_startMinimized;
}

void Settings::setStartMinimized(int value)
{
    if (m_startMinimized == value)
        return;
    m_startMinimized = value;
    emit startMinimizedChanged();
}
