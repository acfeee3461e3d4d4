#include "vpnprocess.h"

void VpnProcess::kill()
{
    sendCommand(QStringLiteral("start: <kill %1>").arg(tagName()));
}

void VpnProcess::stop(const QString &)
{
    ServiceProcess::stop(QStringLiteral("stop: <%1>").arg(tagName()));
}
