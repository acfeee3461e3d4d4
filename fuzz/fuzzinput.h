#pragma once

#include "networkapi.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: one parser object and a quiet log (the
// parsers log every refused document, which would only slow the run).
inline NetworkApi &fuzzedApi()
{
    static NetworkApi *api = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return new NetworkApi();
    }();
    return *api;
}

inline QByteArray fuzzInput(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}
