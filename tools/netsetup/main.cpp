// netsetup: the machine's network services and their DNS servers, in the
// output format of macOS networksetup.
#include "networksetup.h"
#include "resolvconf.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const NetworkSetup setup(NetworkServices(), ResolvConf::systemPath());
    QByteArray output;
    QByteArray errors;
    const int code = setup.run(application.arguments().mid(1), &output, &errors);
    fwrite(output.constData(), 1, size_t(output.size()), stdout);
    fwrite(errors.constData(), 1, size_t(errors.size()), stderr);
    return code;
}
