#include "wgconfig.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// A WireGuard configuration that passes reads back from its canonical text to
// the same values, and never routes loopback through the tunnel.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    WgConfig config;
    QString error;
    if (!WgConfig::parse(text, config, error))
        return 0;
    WgConfig again;
    if (!WgConfig::parse(config.canonicalText(), again, error) || again.canonicalText() != config.canonicalText()
        || again.allowedIps != config.allowedIps || again.endpoint() != config.endpoint())
        __builtin_trap();
    for (const QString &prefix : again.allowedIps) {
        if (prefix.startsWith(QLatin1String("127.")) || prefix.startsWith(QLatin1String("::1/")))
            __builtin_trap();
    }
    return 0;
}
