#pragma once

#include <QString>

// Whether the WireGuard protocol can be offered on this machine. The
// application, the settings and the connection controller ask before they
// offer or use it.
class WireGuard
{
public:
    // The first call also marks the class initialised.
    static bool isSupported();
    static bool driverInstalled();
    // Marks the class initialised and WireGuard supported.
    static void initialize();
    // Empty while WireGuard is usable.
    static QString errorMessage();

    // Withdraws (or restores) support, for a machine where the engine cannot
    // run; the error message tells why.
    static void setSupported(bool supported, const QString &errorMessage = QString());

private:
    static bool m_supported;
    static bool m_initialized;
    static QString m_errorMessage;
};
