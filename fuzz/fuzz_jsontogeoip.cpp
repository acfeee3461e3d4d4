#include "fuzzinput.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString ip = QStringLiteral("unset");
    QString countryCode = QStringLiteral("unset");
    const bool parsed = fuzzedApi().jsonToGeoIp(fuzzInput(data, size), ip, countryCode);
    // A refused body leaves the results alone.
    if (!parsed && (ip != QLatin1String("unset") || countryCode != QLatin1String("unset")))
        __builtin_trap();
    return 0;
}
