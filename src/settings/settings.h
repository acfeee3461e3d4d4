#pragma once

#include <QObject>
#include <QSettings>
#include <QString>

// The user's settings, a process-wide singleton published to QML as
// "settings" and "themeSettings". Stored with QSettings (organisation "VPN",
// application "VPNClient"), group "Settings".
class Settings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(int startMinimized READ startMinimized WRITE setStartMinimized NOTIFY startMinimizedChanged)

public:
    static Settings *instance();

    // Build constants.
    Q_INVOKABLE static QString titleName();
    Q_INVOKABLE static QString osName();
    static QString qmlPath(const QString &name);
    static QString iconPath(const QString &name);
    static QString appDataPath();

    Q_INVOKABLE QString fileName() const;
    Q_INVOKABLE bool isWritable() const;

    QString language() const;
    void setLanguage(const QString &language);
    int startMinimized() const;
    void setStartMinimized(int value);

signals:
    void languageChanged(const QString &language);
    void startMinimizedChanged();

private:
    Settings();

    QSettings *m_settings;
    QString m_language;
    int m_startMinimized = 0;
};
