#include "storedvalue.h"

namespace {
bool isText(const QVariant &value)
{
    return value.userType() == QMetaType::QString || value.userType() == QMetaType::QByteArray;
}

bool isInteger(const QVariant &value)
{
    const int type = value.userType();
    return type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::LongLong
        || type == QMetaType::ULongLong;
}
} // namespace

namespace StoredValue {

bool toBool(const QVariant &value, bool fallback)
{
    if (value.userType() == QMetaType::Bool)
        return value.toBool();
    if (!isText(value))
        return fallback;
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fallback;
}

int toInt(const QVariant &value, int fallback)
{
    if (!isText(value) && !isInteger(value))
        return fallback;
    bool ok = false;
    const int result = isText(value) ? value.toString().trimmed().toInt(&ok) : value.toInt(&ok);
    return ok ? result : fallback;
}

uint toUInt(const QVariant &value, uint fallback)
{
    if (!isText(value) && !isInteger(value))
        return fallback;
    bool ok = false;
    const uint result = isText(value) ? value.toString().trimmed().toUInt(&ok) : value.toUInt(&ok);
    if (ok && !isText(value) && value.toLongLong() < 0)
        return fallback;
    return ok ? result : fallback;
}

QString toString(const QVariant &value, const QString &fallback)
{
    return isText(value) ? value.toString() : fallback;
}

QStringList toStringList(const QVariant &value, const QStringList &fallback)
{
    QStringList list;
    if (!value.isValid()) // how the store writes an empty list
        return list;
    if (value.userType() == QMetaType::QStringList)
        list = value.toStringList();
    else if (isText(value))
        list.append(value.toString());
    else
        return fallback;
    list.removeAll(QString());
    return list;
}

QUrl toUrl(const QVariant &value, const QUrl &fallback)
{
    if (value.userType() != QMetaType::QUrl && !isText(value))
        return fallback;
    const QUrl url = value.toUrl();
    return url.isValid() ? url : fallback;
}

} // namespace StoredValue
