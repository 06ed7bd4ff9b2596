#include "tools/fuzz/fuzzmain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunFuzzTarget(FuzzTargets::htmlText, data, size);
}
