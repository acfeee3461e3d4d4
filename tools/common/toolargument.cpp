#include "toolargument.h"

#include <QRegularExpression>

QHostAddress ToolArgument::ipAddress(const QString &text)
{
    // Only the characters of address notation: this keeps white space, line
    // ends, scope suffixes and rule syntax out of every text built from it.
    static const QRegularExpression allowed(QStringLiteral("^[0-9A-Fa-f.:]{2,45}$"));
    if (!allowed.match(text).hasMatch())
        return QHostAddress();
    QHostAddress address;
    if (!address.setAddress(text))
        return QHostAddress();
    if (address.protocol() == QAbstractSocket::IPv4Protocol)
        return text.count(QLatin1Char('.')) == 3 ? address : QHostAddress(); // no shorthand forms
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return address;
    return QHostAddress();
}
