#include "killswitch.h"

#include "serviceprocess.h"
#include "utils.h"

#include <QDebug>

KillSwitch::KillSwitch(QObject *parent)
    : QObject(parent), m_process(new ServiceProcess(QStringLiteral("killswitch"), this))
{
    setObjectName(QStringLiteral("KillSwitch"));
    connect(m_process, &ServiceProcess::started, this, &KillSwitch::onKillSwitchProcessStarted);
    connect(m_process, &ServiceProcess::finished, this, &KillSwitch::onKillSwitchProcessFinished);
}

QString KillSwitch::killSwitchFileNamePath()
{
    return Utils::platformExecutable(QStringLiteral("killswitch"), true);
}

void KillSwitch::info(const QString &text) const
{
    qInfo().noquote() << objectName() + QStringLiteral(": ") + text;
}

void KillSwitch::activateProtection(const QString &vpnInternalIp, const QString &vpnPublicIp,
                                    bool allowLocalDevices)
{
    info(QStringLiteral(
             "Activate protection, VPN internal IP '%1', VPN public IP: '%2', allow local devices: '%3'")
             .arg(vpnInternalIp, vpnPublicIp, Utils::boolString(allowLocalDevices)));
    m_process->start(QStringList {killSwitchFileNamePath(), QStringLiteral("enable"), QStringLiteral("all"),
                                  vpnPublicIp, allowLocalDevices ? QStringLiteral("local") : QString()});
    m_activated = true;
}

void KillSwitch::disableProtection(bool)
{
    info(QStringLiteral("Disable protection"));
    m_activated = false;
    m_process->start(
        QStringList {killSwitchFileNamePath(), QStringLiteral("disable"), QStringLiteral("all")});
}

void KillSwitch::onKillSwitchProcessStarted()
{ }

void KillSwitch::onKillSwitchProcessFinished(int exitCode)
{
    // The tool reports success with exit code 0.
    emit killSwitchFinished(exitCode == 0);
    info(QStringLiteral("Process finished with code: %1").arg(exitCode));
}
