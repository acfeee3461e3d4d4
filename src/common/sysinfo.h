#pragma once

#include <QString>

// Operating-system description for the start-up log.
class SysInfo
{
public:
    static QString prettyProductName();
    static QString currentCpuArchitecture();
};
