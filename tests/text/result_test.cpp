#include <gtest/gtest.h>

#include "text/result.h"

// A failure has no value: reading one ends the program, in release builds
// too, instead of going on with whatever the memory holds.
TEST(ResultDeathTest, readingTheValueOfAFailureEndsTheProgram) {
    const Result<QString> failed = Result<QString>::failure({.kind = Error::Kind::RecordNotFound});
    EXPECT_DEATH((void)failed.value(), "value of a failure");
    EXPECT_DEATH((void)*failed, "value of a failure");
    EXPECT_DEATH((void)failed->size(), "value of a failure");
    EXPECT_DEATH((void)Result<int>::failure({.kind = Error::Kind::RecordNotFound}).value(),
                 "value of a failure");
    EXPECT_EQ(Result<QString>(QStringLiteral("kept"))->size(), 4);
}
