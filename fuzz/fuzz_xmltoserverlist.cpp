#include "fuzzinput.h"

#include <QString>

// The feed as the reply dispatch hands it over: UTF-8 text up to the first zero byte.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzzInput(data, size);
    const Servers servers = fuzzedApi().xmlToServerList(QString::fromUtf8(body.constData()));
    for (const Server &server : servers) {
        if (server.ip() != server.id())
            __builtin_trap();
    }
    return 0;
}
