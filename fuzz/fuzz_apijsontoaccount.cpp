#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Account account = fuzzedApi().apiJsonToAccount(fuzzInput(data, size));
    // Whatever the reply says, the peer key is the deployment's.
    if (account.id() != 0 && account.wgPublicKey() != Account::fixedPeerPublicKey())
        __builtin_trap();
    return 0;
}
