#pragma once

#include <QMetaType>
#include <QString>

// A WireGuard configuration file as the API delivers it: its text and its name.
class WireGuardConfiguration
{
public:
    WireGuardConfiguration() = default;
    WireGuardConfiguration(const QString &fileBody, const QString &fileName)
        : m_fileBody(fileBody), m_fileName(fileName)
    { }

    QString fileBody() const { return m_fileBody; }
    QString fileName() const { return m_fileName; }

private:
    QString m_fileBody;
    QString m_fileName;
};

Q_DECLARE_METATYPE(WireGuardConfiguration)
