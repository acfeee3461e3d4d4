#pragma once

#include <QMap>
#include <QString>

// Country names and two-letter codes, derived once from Qt's locale data.
// Codes are looked up case-insensitively and returned in lower case; names
// are compared exactly. Main thread only.
class Countries
{
public:
    // Fills the table on first use; every other operation calls it.
    static void initializeLocaleMap();

    // Empty when no locale carries the code.
    static QString countryNameByCountryCode(const QString &code);
    // The first code, in ascending order, with exactly that name; empty when none.
    static QString countryCodeByCountryName(const QString &name);
    static bool isCountryCode(const QString &text);

    // The whole table, lower-case code to name.
    static QMap<QString, QString> localeMap();

private:
    static QMap<QString, QString> m_localeMap;
};
