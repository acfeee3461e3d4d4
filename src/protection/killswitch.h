#pragma once

#include <QObject>
#include <QString>

class ServiceProcess;

// Blocks all traffic outside the VPN tunnel while the user wants
// protection. The firewall work is the kill-switch tool's, run with
// administrator rights through the vpn-service; this object sends it the
// two commands and remembers which one was asked for last.
class KillSwitch : public QObject
{
    Q_OBJECT

public:
    explicit KillSwitch(QObject *parent = nullptr);

    // Lets only tunnel traffic and traffic to the VPN server through (and,
    // when allowed, the local networks). The internal address is only logged.
    void activateProtection(const QString &vpnInternalIp, const QString &vpnPublicIp, bool allowLocalDevices);
    void disableProtection(bool unused = false);
    // The last request, not the tool's result.
    bool activatedProtection() const { return m_activated; }

    static QString killSwitchFileNamePath();

signals:
    // True when the tool succeeded.
    void killSwitchFinished(bool ok);
    void stateChanged(bool enabled);

public slots:
    void onKillSwitchProcessStarted();
    void onKillSwitchProcessFinished(int exitCode);

private:
    void info(const QString &text) const;

    ServiceProcess *m_process;
    bool m_activated = false;
};
