#include "location.h"

#include "buildconfig.h"

Location::Location() : Location(QString::fromUtf8(BuildConfig::brand))
{ }

Location::Location(const QString &brand)
{
    if (brand == QLatin1String("marbeckvpn")) {
        m_country = QStringLiteral("US");
        m_city = QStringLiteral("Chicago");
    }
}

bool Location::isValid() const
{
    return !m_city.isEmpty() && !m_country.isEmpty();
}

QString Location::countryAndCity() const
{
    if (!isValid())
        return QStringLiteral("Unknown");
    return QStringLiteral("%1/%2").arg(m_country, m_city);
}
