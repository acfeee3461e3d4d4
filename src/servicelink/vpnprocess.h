#pragma once

#include "serviceprocess.h"

// A VPN engine run by the vpn-service, with the two commands that end it.
// Neither changes the state: the owner learns the end of the engine from the
// "finished:" report of its tag.
class VpnProcess : public ServiceProcess
{
    Q_OBJECT

public:
    using ServiceProcess::ServiceProcess;
    using ServiceProcess::start;

    // Ends every process of this tag: "start: <kill TAG>".
    void kill();
    // Stops the process of this tag: "stop: <TAG>"; the argument is not used.
    void stop(const QString &command = QString()) override;
};
