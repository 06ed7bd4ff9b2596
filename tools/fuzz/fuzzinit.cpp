// Sets up GMime once for the fuzzing process, as main() does for the
// program; it stays set up until the process ends.
#include "transport/maillibraries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const MailLibraries mailLibraries;
    return 0;
}
