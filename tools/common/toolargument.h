#pragma once

#include <QHostAddress>
#include <QString>

// Checks of command-line arguments before anything is built from them.
class ToolArgument
{
public:
    // The address in its canonical form when the text is a plain IPv4 or
    // IPv6 address (no scope, no white space, nothing else); null otherwise.
    static QHostAddress ipAddress(const QString &text);
};
