#include <QFile>
#include <gtest/gtest.h>

#include "search/mailfacts.h"
#include "store/mailrecord.h"
#include "store/recordfile.h"
#include "tests/support/errors.h"
#include "tests/support/qtprinters.h"
#include "tests/support/tempfolder.h"

namespace {

using Rows = QList<char>; // each record's content, by a letter: equal letters, identical records
using Facts = QMap<int, QByteArray>;

QByteArray recordOf(char letter) {
    return QByteArray(MailRecord::kSize, letter);
}

void writeRows(const QString& path, const Rows& rows) {
    QByteArray bytes;
    for (char r : rows)
        bytes += recordOf(r);
    WriteBytes(path, bytes);
}

Facts factsIn(MailFacts& facts) {
    const auto values = facts.values(QStringLiteral("unread"));
    EXPECT_TRUE(values.ok()) << values.error();
    Facts out;
    if (values)
        for (auto it = values->cbegin(); it != values->cend(); ++it)
            out.insert(it.key(), it.value());
    return out;
}

struct FollowCase {
    const char* name;
    Rows before;
    Facts facts;
    // What happens to the file after the facts were set: a deletion of ours
    // (the row handed to recordRemoved), else the file as another program left it.
    int ourDeletion;
    Rows after;
    Facts expected;
};

class FactsFollowTest : public testing::TestWithParam<FollowCase> {};

TEST_P(FactsFollowTest, aFactStaysWithItsMailAndNeverPassesToAnother) {
    const FollowCase& c = GetParam();
    TempFolder folder;
    const QString file = folder.file(QStringLiteral("orxdata2.data"));
    writeRows(file, c.before);
    {
        auto facts = MailFacts::open(file);
        ASSERT_TRUE(facts.ok()) << facts.error();
        for (auto it = c.facts.cbegin(); it != c.facts.cend(); ++it)
            ASSERT_TRUE(facts.value().set({it.key()}, QStringLiteral("unread"), it.value()).ok());
    }
    auto facts = MailFacts::open(file); // held across the change, as a window holds it
    ASSERT_TRUE(facts.ok()) << facts.error();
    const RecordFile records(file, MailRecord::kSize);
    if (c.ourDeletion) {
        QByteArray bytes = ReadBytes(file);
        bytes.remove((c.ourDeletion - 1) * MailRecord::kSize, MailRecord::kSize);
        WriteBytes(file, bytes);
        ASSERT_TRUE(facts.value().recordRemoved(c.ourDeletion).ok());
    } else if (c.after.mid(0, c.before.size()) == c.before) {
        for (char r : c.after.mid(c.before.size()))
            ASSERT_TRUE(records.append(recordOf(r)).ok());
    } else {
        writeRows(file, c.after);
    }
    EXPECT_EQ(factsIn(facts.value()), c.expected);
    auto reopened = MailFacts::open(file);
    ASSERT_TRUE(reopened.ok()) << reopened.error();
    EXPECT_EQ(factsIn(reopened.value()), c.expected);
}

const QByteArray kA = "a", kB = "b", kC = "c";

INSTANTIATE_TEST_SUITE_P(
    MailFacts, FactsFollowTest,
    testing::Values(
        FollowCase{
            "appendedMailLeavesEveryFactInPlace", {'p', 'q'}, {{2, kB}}, 0, {'p', 'q', 'r'}, {{2, kB}}},
        FollowCase{
            "ourDeletionMovesLaterFactsUp", {'p', 'q', 'r'}, {{1, kA}, {3, kC}}, 2, {}, {{1, kA}, {2, kC}}},
        FollowCase{
            "ourDeletionOfAMarkedMailLeavesItsNeighbourUnmarked", {'p', 'q', 'r'}, {{2, kB}}, 2, {}, {}},
        FollowCase{"deletionByAnotherProgramMovesFactsByTheirRecords",
                   {'p', 'q', 'r'},
                   {{3, kC}},
                   0,
                   {'p', 'r'},
                   {{2, kC}}},
        FollowCase{
            "mailDeletedByAnotherProgramTakesItsFactAlong", {'p', 'q', 'r'}, {{2, kB}}, 0, {'p', 'r'}, {}},
        FollowCase{
            "identicalRecordsKeepTheirOrder", {'p', 's', 'q', 's'}, {{4, kA}}, 0, {'s', 'q', 's'}, {{3, kA}}},
        FollowCase{
            "anotherFileInItsPlaceHasNoFacts", {'p', 'q'}, {{1, kA}, {2, kB}}, 0, {'x', 'y', 'z'}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct AppendCase {
    const char* name;
    Rows before;
    Facts facts;
    // What happened to the file since the appending connection last saw it:
    // a deletion by another of our connections (the row), else the file as
    // another program left it (unchanged when equal to `before`).
    int otherConnectionsDeletion;
    Rows between;
    // After our append of 'x' with "unread" = c; and when another program then
    // puts a record before the first, every fact moves down one with its record.
    Facts expected;
};

class FactsAppendTest : public testing::TestWithParam<AppendCase> {};

TEST_P(FactsAppendTest, theAppendedMailsFactsGoWithItsRecord) {
    const AppendCase& c = GetParam();
    TempFolder folder;
    const QString file = folder.file(QStringLiteral("orxdata2.data"));
    writeRows(file, c.before);
    auto ours = MailFacts::open(file); // the check's connection, opened at its start
    ASSERT_TRUE(ours.ok()) << ours.error();
    for (auto it = c.facts.cbegin(); it != c.facts.cend(); ++it)
        ASSERT_TRUE(ours.value().set({it.key()}, QStringLiteral("unread"), it.value()).ok());
    if (c.otherConnectionsDeletion) {
        auto window = MailFacts::open(file);
        ASSERT_TRUE(window.ok());
        QByteArray bytes = ReadBytes(file);
        bytes.remove((c.otherConnectionsDeletion - 1) * MailRecord::kSize, MailRecord::kSize);
        WriteBytes(file, bytes);
        ASSERT_TRUE(window.value().recordRemoved(c.otherConnectionsDeletion).ok());
    } else if (c.between != c.before) {
        writeRows(file, c.between);
    }
    ours.value().beforeAppend();
    const Result<int> row = RecordFile(file, MailRecord::kSize).append(recordOf('x'));
    ASSERT_TRUE(row.ok());
    const QList<MailFacts::Fact> appended{{QStringLiteral("unread"), kC}, {QStringLiteral("verdict"), {}}};
    ASSERT_TRUE(ours.value().recordAppended(*row, recordOf('x'), appended).ok());
    EXPECT_EQ(ours.value().count(QStringLiteral("verdict")).value(), 0);
    auto reopened = MailFacts::open(file);
    ASSERT_TRUE(reopened.ok()) << reopened.error();
    EXPECT_EQ(factsIn(reopened.value()), c.expected);
    WriteBytes(file, recordOf('z') + ReadBytes(file));
    Facts movedDown;
    for (auto it = c.expected.cbegin(); it != c.expected.cend(); ++it)
        movedDown.insert(it.key() + 1, it.value());
    EXPECT_EQ(factsIn(reopened.value()), movedDown);
}

INSTANTIATE_TEST_SUITE_P(
    MailFacts, FactsAppendTest,
    testing::Values(
        AppendCase{"ontoTheFileAsLastSeen", {'p', 'q'}, {{2, kB}}, 0, {'p', 'q'}, {{2, kB}, {3, kC}}},
        AppendCase{"ontoAnEmptyFile", {}, {}, 0, {}, {{1, kC}}},
        AppendCase{"afterADeletionInTheHistoryWindow", {'p', 'q', 'r'}, {{3, kA}}, 2, {}, {{2, kA}, {3, kC}}},
        AppendCase{"afterAnotherProgramReorderedTheFile",
                   {'p', 'q', 'r'},
                   {{2, kB}},
                   0,
                   {'p', 'r', 'q'},
                   {{3, kB}, {4, kC}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MailFacts, aDeletionOfOursAfterAChangeBehindOurBackPlacesFactsByTheirRecords) {
    TempFolder folder;
    const QString file = folder.file(QStringLiteral("orxdata2.data"));
    writeRows(file, {'p', 'q', 'r'});
    auto facts = MailFacts::open(file);
    ASSERT_TRUE(facts.ok());
    ASSERT_TRUE(facts.value().set({3}, QStringLiteral("unread"), kC).ok());
    writeRows(file, {'q', 'r'}); // another copy deleted the first mail ...
    writeRows(file, {'r'});      // ... and ours the next, without reading the facts between
    ASSERT_TRUE(facts.value().recordRemoved(1).ok());
    EXPECT_EQ(factsIn(facts.value()), (Facts{{1, kC}}));
}

TEST(MailFacts, aDamagedDatabaseReadsAsNoFactsAndIsMadeAgain) {
    TempFolder folder;
    const QString file = folder.file(QStringLiteral("orxdata2.data"));
    writeRows(file, {'p', 'q'});
    WriteBytes(MailFacts::pathFor(file), QByteArray(8192, '\x5a'));
    auto facts = MailFacts::open(file);
    ASSERT_TRUE(facts.ok()) << facts.error();
    EXPECT_EQ(facts.value().count(QStringLiteral("unread")).value(), 0);
    ASSERT_TRUE(facts.value().set({1, 2}, QStringLiteral("unread"), kA).ok());
    EXPECT_EQ(facts.value().count(QStringLiteral("unread")).value(), 2);
}

TEST(MailFacts, aRowPastTheEndIsRefusedAndAnEmptyValueRemoves) {
    TempFolder folder;
    const QString file = folder.file(QStringLiteral("orxdata2.data"));
    writeRows(file, {'p', 'q'});
    auto facts = MailFacts::open(file);
    ASSERT_TRUE(facts.ok());
    EXPECT_EQ(facts.value().set({1, 3}, QStringLiteral("unread"), kA).error().kind,
              Error::Kind::NoSuchRecord);
    EXPECT_EQ(facts.value().count(QStringLiteral("unread")).value(), 0);
    ASSERT_TRUE(facts.value().set({1, 2}, QStringLiteral("unread"), kA).ok());
    ASSERT_TRUE(facts.value().set({2}, QStringLiteral("account"), kB).ok());
    ASSERT_TRUE(facts.value().set({1}, QStringLiteral("unread"), {}).ok());
    EXPECT_EQ(factsIn(facts.value()), (Facts{{2, kA}}));
    ASSERT_TRUE(facts.value().clear(QStringLiteral("unread")).ok());
    EXPECT_EQ(facts.value().value(2, QStringLiteral("account")).value(), kB);
}

} // namespace
