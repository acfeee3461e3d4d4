#include "systemtray.h"

#include "notification.h"

#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

bool SystemTray::s_flashingPhase = true;

namespace {
const QString iconFile = QStringLiteral(":/resources/icons/app/app.png");
}

SystemTray::SystemTray(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("SystemTray"));
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;

    m_flashingTimer = new QTimer(this);
    m_flashingTimer->setInterval(1000);
    connect(m_flashingTimer, &QTimer::timeout, this, &SystemTray::onFlashingTimerTimeout);

    const QImage picture(iconFile);
    m_normalIcon = QIcon(QPixmap::fromImage(picture));
    m_greyIcon = QIcon(QPixmap::fromImage(greyImage(picture)));

    m_menu = new QMenu();
    connect(this, &QObject::destroyed, m_menu, &QObject::deleteLater);
    m_connectDisconnectAction = new QAction(this);
    m_settingsAction = new QAction(this);
    m_exitAction = new QAction(this);
    retranslateUi();
    connect(m_connectDisconnectAction, &QAction::triggered, this,
            &SystemTray::connectDisconnectActionClicked);
    connect(m_settingsAction, &QAction::triggered, this, &SystemTray::settingsActionClicked);
    connect(m_exitAction, &QAction::triggered, this, &SystemTray::exitActionClicked);
    m_menu->addAction(m_connectDisconnectAction);
    m_menu->addAction(m_settingsAction);
    m_menu->addSeparator();
    m_menu->addAction(m_exitAction);

    m_trayIcon = new QSystemTrayIcon(m_greyIcon, this);
    m_trayIcon->setContextMenu(m_menu);
    m_trayIcon->setVisible(true);
}

QImage SystemTray::greyImage(const QImage &image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb pixel = line[x];
            const int level = (11 * qRed(pixel) + 16 * qGreen(pixel) + 5 * qBlue(pixel)) / 32;
            line[x] = qRgba(level, level, level, qAlpha(pixel) / 3);
        }
    }
    return grey;
}

void SystemTray::setConnectDisconnectState(const QString &text, bool enabled)
{
    if (!m_connectDisconnectAction)
        return;
    m_connectDisconnectAction->setText(text);
    m_connectDisconnectAction->setEnabled(enabled);
}

void SystemTray::showConnectionState(ConnectionState::Id state, bool connectAllowed)
{
    switch (state) {
    case ConnectionState::Id::Disconnected:
        setConnectDisconnectState(QCoreApplication::translate("Application", "Connect"), connectAllowed);
        setIconState(Inactive);
        break;
    case ConnectionState::Id::Connected:
        setConnectDisconnectState(QCoreApplication::translate("Application", "Disconnect"), true);
        setIconState(Active);
        break;
    case ConnectionState::Id::Connecting:
    case ConnectionState::Id::Disconnecting:
    case ConnectionState::Id::Reconnecting:
        setConnectDisconnectState(ConnectionState::stateToTrString(state), false);
        setIconState(Flashing);
        break;
    default:
        setConnectDisconnectState(ConnectionState::stateToTrString(state), false);
        setIconState(Inactive);
        break;
    }
}

QString SystemTray::stateMessage(ConnectionState::Id state, const QString &location)
{
    switch (state) {
    case ConnectionState::Id::Disconnected:
        return QCoreApplication::translate("Application", "Disconnected");
    case ConnectionState::Id::Connected: {
        const QString text = QCoreApplication::translate("Application", "Connected");
        return location.isEmpty() ? text : QStringLiteral("%1: %2").arg(text, location);
    }
    default:
        return QString();
    }
}

bool SystemTray::isFlashing() const
{
    return m_flashingTimer && m_flashingTimer->isActive();
}

void SystemTray::setIconState(IconState state)
{
    if (!m_trayIcon)
        return;
    switch (state) {
    case Active:
        m_flashingTimer->stop();
        m_trayIcon->setIcon(m_normalIcon);
        break;
    case Inactive:
        m_flashingTimer->stop();
        m_trayIcon->setIcon(m_greyIcon);
        break;
    case Flashing:
        m_flashingTimer->start();
        break;
    }
}

void SystemTray::setFlashingState(bool flashing)
{
    if (!m_flashingTimer)
        return;
    if (flashing)
        m_flashingTimer->start();
    else
        m_flashingTimer->stop();
}

void SystemTray::onFlashingTimerTimeout()
{
    m_trayIcon->setIcon(s_flashingPhase ? m_greyIcon : m_normalIcon);
    s_flashingPhase = !s_flashingPhase;
}

void SystemTray::showMessage(const QString &title, const QString &message)
{
    if (message.isEmpty())
        return;
    Notification::showMessage(m_trayIcon, title, message);
}

void SystemTray::setToolTip(const QString &toolTip)
{
    if (m_trayIcon)
        m_trayIcon->setToolTip(toolTip);
}

void SystemTray::setEnabled(bool enabled)
{
    if (m_menu)
        m_menu->setEnabled(enabled);
}

bool SystemTray::isEnabled() const
{
    return m_menu && m_menu->isEnabled();
}

void SystemTray::setQuitMode()
{
    if (!m_menu)
        return;
    m_menu->clear();
    m_menu->addAction(m_exitAction);
}

void SystemTray::retranslateUi()
{
    if (!m_settingsAction)
        return;
    m_settingsAction->setText(tr("Settings"));
    m_exitAction->setText(tr("Exit"));
}
