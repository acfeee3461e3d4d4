#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

// Reading values of a settings store that a person may have edited: a value
// that is missing, of the wrong type or unreadable gives the fallback, never
// a half-converted value (an INI store holds every value as text, a text
// with a comma comes back as a list).
namespace StoredValue {
bool toBool(const QVariant &value, bool fallback);
int toInt(const QVariant &value, int fallback);
uint toUInt(const QVariant &value, uint fallback);
QString toString(const QVariant &value, const QString &fallback);
// A single text is a list of one, an invalid value (the stored form of an
// empty list) no entry; empty entries are dropped.
QStringList toStringList(const QVariant &value, const QStringList &fallback);
QUrl toUrl(const QVariant &value, const QUrl &fallback);
} // namespace StoredValue
