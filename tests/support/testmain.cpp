// The main of the logic tests: the mail libraries and the application
// object are set up once, as the program's own main does (a connection
// waits for the server in an event loop of its thread).
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "transport/maillibraries.h"

int main(int argc, char** argv) {
    const MailLibraries mailLibraries;
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
