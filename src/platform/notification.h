#pragma once

#include <QString>

class QSystemTrayIcon;

// Desktop notifications. The tray icon is the channel where the desktop
// shows notifications through it; showMessage() does nothing without one.
class Notification
{
public:
    static void showMessage(QSystemTrayIcon *trayIcon, const QString &title, const QString &text);
};
