#pragma once

#include <QString>

// A country/city pair. The default location depends on the brand of the
// build: some brands start with a fixed location, the others with none
// (then isValid() is false).
class Location
{
public:
    Location();

    QString city() const { return m_city; }
    QString country() const { return m_country; }

    // Both texts are non-empty.
    bool isValid() const;
    // "country/city", or "Unknown" when not valid.
    QString countryAndCity() const;

private:
    friend class TestServer;
    explicit Location(const QString &brand);

    QString m_city;
    QString m_country;
};
