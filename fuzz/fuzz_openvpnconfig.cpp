#include "openvpnconfig.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

// Whatever the client hands in, the text OpenVPN runs holds only allow-listed
// options and reads back to the very same options.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    Q_UNUSED(quiet);
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    OpenVpnConfig config;
    QString error;
    if (!OpenVpnConfig::parse(text, &config, &error))
        return 0;
    const QByteArray canonical = config.canonicalText();
    OpenVpnConfig again;
    if (!OpenVpnConfig::parse(canonical, &again, &error) || again.canonicalText() != canonical)
        __builtin_trap();
    const QList<OpenVpnOptions::Option> options = again.options();
    if (options.size() != config.options().size())
        __builtin_trap();
    for (int i = 0; i < options.size(); ++i) {
        const OpenVpnOptions::Option &option = options.at(i);
        if (!OpenVpnConfig::isAllowedName(option.name) || option.name != config.options().at(i).name
            || option.arguments != config.options().at(i).arguments || option.body != config.options().at(i).body)
            __builtin_trap();
    }
    return 0;
}
