#include "sysinfo.h"

#include <QSysInfo>

QString SysInfo::prettyProductName()
{
    return QSysInfo::prettyProductName();
}

QString SysInfo::currentCpuArchitecture()
{
    return QSysInfo::currentCpuArchitecture();
}
