#pragma once

// The libFuzzer entry of one target: a broken property aborts, so the
// fuzzer keeps the input, as it does for a crash.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tools/fuzz/targets.h"

inline int RunFuzzTarget(FuzzTargets::Target target, const uint8_t* data, size_t size) {
    const QString broken = target(QByteArrayView(data, qsizetype(size)));
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "property broken: %s\n", broken.toUtf8().constData());
        std::abort();
    }
    return 0;
}
