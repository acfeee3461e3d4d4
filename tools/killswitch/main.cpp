// killswitch: blocks all traffic outside the VPN tunnel with nftables, or
// lifts the block. Run as root by the service; see KillSwitchCommand.
#include "killswitchcommand.h"
#include "systemcommand.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    KillSwitchCommand command;
    QString error;
    if (!KillSwitchCommand::parse(application.arguments().mid(1), &command, &error)) {
        fprintf(stderr, "killswitch: %s\n%s", qPrintable(error), qPrintable(KillSwitchCommand::usage()));
        return KillSwitchCommand::BadArguments;
    }
    const int code = command.apply(SystemCommand::findSystemProgram(QStringLiteral("nft")), &error);
    if (code != KillSwitchCommand::Success)
        fprintf(stderr, "killswitch: %s\n", qPrintable(error));
    return code;
}
