#include "countries.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

QMap<QString, QString> Countries::m_localeMap;

void Countries::initializeLocaleMap()
{
    if (!m_localeMap.isEmpty())
        return;

    // Qt writes some names as capitalised words run together; each capital
    // letter starts a word of the displayed name.
    static const QRegularExpression words(QStringLiteral("[A-Z][^A-Z]*"));
    const QList<QLocale> locales
        = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry);
    for (const QLocale &locale : locales) {
        const QString code = locale.name().split(QLatin1Char('_')).last().toLower();
        QString name = QLocale::countryToString(locale.country());
        QStringList parts;
        QRegularExpressionMatchIterator it = words.globalMatch(name);
        while (it.hasNext())
            parts.append(it.next().captured(0).simplified());
        if (parts.size() > 1)
            name = parts.join(QLatin1Char(' '));
        m_localeMap.insert(code, name);
    }
}

QString Countries::countryNameByCountryCode(const QString &code)
{
    initializeLocaleMap();
    return m_localeMap.value(code.toLower());
}

QString Countries::countryCodeByCountryName(const QString &name)
{
    initializeLocaleMap();
    for (auto it = m_localeMap.cbegin(); it != m_localeMap.cend(); ++it) {
        if (it.value() == name)
            return it.key();
    }
    return QString();
}

bool Countries::isCountryCode(const QString &text)
{
    initializeLocaleMap();
    return m_localeMap.contains(text.toLower());
}

QMap<QString, QString> Countries::localeMap()
{
    initializeLocaleMap();
    return m_localeMap;
}
