#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Servers servers = fuzzedApi().apiJsonToServerList(fuzzInput(data, size));
    for (const Server &server : servers) {
        if (server.ip() != server.id())
            __builtin_trap();
    }
    return 0;
}
