// Sets up GMime and libcurl once for the fuzzing process, as main() does for
// the program; they stay set up until the process ends.
#include "transport/maillibraries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const MailLibraries mailLibraries;
    return 0;
}
