#pragma once

#include "connectionstate.h"

#include <QIcon>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

// The tray icon and its menu: connect/disconnect, settings, exit. The icon
// shows the connection: grey when inactive, in colour when active, and both
// in turn every second while a connection is on its way. Without a system
// tray the object exists without icon and menu, and every call is a no-op.
class SystemTray : public QObject
{
    Q_OBJECT

public:
    enum IconState { Inactive = 0, Active = 1, Flashing = 2 };
    Q_ENUM(IconState)

    explicit SystemTray(QObject *parent = nullptr);

    void setConnectDisconnectState(const QString &text, bool enabled);
    // The first menu item and the icon for a connection state: "Connect"
    // while disconnected (enabled when connecting is allowed), "Disconnect"
    // while connected, else the state's own text, disabled; the icon is grey,
    // in colour while connected, and flashing while a connection or a
    // disconnection is on its way.
    void showConnectionState(ConnectionState::Id state, bool connectAllowed);
    // The tool tip and notification text of a state: "Disconnected",
    // "Connected" (with ": " and the location when there is one), and empty
    // for every other state.
    static QString stateMessage(ConnectionState::Id state, const QString &location);
    void setIconState(IconState state);
    void setFlashingState(bool flashing);
    void showMessage(const QString &title, const QString &message);
    void setToolTip(const QString &toolTip);
    void setEnabled(bool enabled);
    bool isEnabled() const;
    void setQuitMode();
    void retranslateUi();

    // The grey, fainter form of a picture.
    static QImage greyImage(const QImage &image);

    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    QMenu *menu() const { return m_menu; }
    QAction *connectDisconnectAction() const { return m_connectDisconnectAction; }
    QIcon normalIcon() const { return m_normalIcon; }
    QIcon greyIcon() const { return m_greyIcon; }
    bool isFlashing() const;

signals:
    void connectDisconnectActionClicked();
    void settingsActionClicked();
    void exitActionClicked();
    void triggeredClicked();

private:
    void onFlashingTimerTimeout();

    QAction *m_connectDisconnectAction = nullptr;
    QAction *m_settingsAction = nullptr;
    QAction *m_exitAction = nullptr;
    QIcon m_normalIcon;
    QIcon m_greyIcon;
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QTimer *m_flashingTimer = nullptr;

    // The flashing phase is shared by every tray object, true at program start.
    static bool s_flashingPhase;
};
