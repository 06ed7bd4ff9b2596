// The main of the logic tests: the mail libraries are set up once, as the
// program's own main does.
#include <gtest/gtest.h>

#include "transport/maillibraries.h"

int main(int argc, char** argv) {
    const MailLibraries mailLibraries;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
