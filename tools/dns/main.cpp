// dns: puts the VPN's DNS servers in place and gives the user's back.
// Run as root by the service; see DnsCommand for the command line.
#include "dnscommand.h"
#include "dnsdatafile.h"
#include "dnsswitch.h"
#include "resolvconf.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    DnsCommand command;
    QString error;
    if (!DnsCommand::parse(application.arguments().mid(1), &command, &error)) {
        fprintf(stderr, "dns: %s\n%s", qPrintable(error), qPrintable(DnsCommand::usage()));
        return DnsSwitch::BadArguments;
    }
    DnsSwitch dnsSwitch(ResolvConf::systemPath(), DnsDataFile::defaultPath());
    const int code = dnsSwitch.run(command, &error);
    if (!error.isEmpty())
        fprintf(stderr, "dns: %s\n", qPrintable(error));
    return code;
}
