#pragma once

#include <QString>

// Starting the client at login. On Linux desktops this is an XDG autostart
// entry, "<desktopFileName()>.desktop" in the "autostart" folder of the
// user's configuration location ($XDG_CONFIG_HOME, by default ~/.config),
// that runs this executable.
class AutoStart
{
public:
    static QString objectName() { return QStringLiteral("AutoStart"); }

    // Adds (true) or removes (false) the entry, logs the outcome and returns
    // the state read back afterwards, which is the request unless the change
    // failed.
    static bool setEnabled(bool enable);
    // True when an entry of this name exists, is not hidden and runs this executable.
    static bool enabled();

    // The executable's base name, which names the entry.
    static QString desktopFileName();
    static QString desktopFilePath();
};
