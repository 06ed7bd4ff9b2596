// What a send does with accepted and refused mails, against a fake way out:
// a send-to-all after a partial failure, a connection that ends for good,
// and which mails get a sent record.
#include <gtest/gtest.h>

#include "compose/mailsend.h"
#include "compose/sendtoallround.h"
#include "store/addressfile.h"
#include "store/mailfile.h"
#include "tests/support/errors.h"
#include "tests/support/fakemailsender.h"
#include "tests/support/tempfolder.h"

TEST(MailSend, aSendToAllAgainGoesOnlyWhereTheMailHasNotBeenAndRecordsOnlyWhatWasAccepted) {
    using K = Error::Kind;
    // One press of 「送信」 in send-to-all mode, to the book a@x.jp, b@x.jp, c@x.jp.
    struct Press {
        QStringList refusing;
        QString closingAt;
        const char* asked;         // the recipients the server was asked for, in order
        int records;               // in the sent-mail file afterwards
        QList<Error::Kind> errors; // in the report, in order
        QStringList missed;        // the addresses the status bar names
    };
    struct Row {
        const char* name;
        QList<Press> presses;
    };
    const QStringList done;
    const QStringList missedB{QStringLiteral("b@x.jp")};
    const Row rows[] = {
        {"one-refused-goes-alone-next-time-then-all-start-afresh",
         {{{QStringLiteral("b@x.jp")}, {}, "a@x.jp b@x.jp c@x.jp", 2, {K::NotSent}, missedB},
          {{}, {}, "b@x.jp", 3, {}, done},
          {{}, {}, "a@x.jp b@x.jp c@x.jp", 6, {}, done}}},
        {"refused-again-is-still-the-only-one-left",
         {{{QStringLiteral("b@x.jp")}, {}, "a@x.jp b@x.jp c@x.jp", 2, {K::NotSent}, missedB},
          {{QStringLiteral("b@x.jp")}, {}, "b@x.jp", 2, {K::NotSent}, missedB},
          {{}, {}, "b@x.jp", 3, {}, done}}},
        {"connection-ended-for-good-leaves-that-one-and-the-rest-untried",
         {{{},
           QStringLiteral("b@x.jp"),
           "a@x.jp b@x.jp",
           1,
           {K::ClearLoginDeclined},
           {QStringLiteral("b@x.jp"), QStringLiteral("c@x.jp")}},
          {{}, {}, "b@x.jp c@x.jp", 3, {}, done}}},
        {"nothing-reached-goes-to-all-again",
         {{{},
           QStringLiteral("a@x.jp"),
           "a@x.jp",
           0,
           {K::ClearLoginDeclined},
           {QStringLiteral("a@x.jp"), QStringLiteral("b@x.jp"), QStringLiteral("c@x.jp")}},
          {{}, {}, "a@x.jp b@x.jp c@x.jp", 3, {}, done}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder app;
        const AppPaths paths(app.path());
        ASSERT_TRUE(paths.ensureLayout().ok());
        const AddressFile book = AddressFile::book(paths);
        for (const char* address : {"a@x.jp", "b@x.jp", "c@x.jp"})
            ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("名前"), QString::fromLatin1(address)).ok());
        SendToAllRound round;
        int pressed = 0;
        for (const Press& press : row.presses) {
            SCOPED_TRACE(++pressed);
            auto sender = std::make_shared<FakeMailSender>();
            sender->refusing = press.refusing;
            sender->closingAt = press.closingAt;
            SendRequest request;
            request.toText = QStringLiteral("皆様");
            request.sendToAll = true;
            request.listEntries = 3;
            request.alreadyReached = round.reached();
            const SendReport report = MailSend(paths, sender).run(request);
            round.take(report);
            EXPECT_EQ(sender->asked->join(u' ').toStdString(), press.asked);
            EXPECT_EQ(MailFile::sent(paths).count().value(), press.records);
            EXPECT_EQ(kindsOf(report.errors()), press.errors);
            EXPECT_EQ(report.missed(), press.missed);
        }
    }
}

// The server takes the mail for one recipient and refuses the other: the mail
// is recorded, and the refused address named, in the server's words.
TEST(MailSend, aRecipientRefusedAmongSeveralIsNamedAndTheMailRecorded) {
    TempFolder app;
    const AppPaths paths(app.path());
    ASSERT_TRUE(paths.ensureLayout().ok());
    auto sender = std::make_shared<FakeMailSender>();
    sender->refusing = {QStringLiteral("b@x.jp")};
    SendRequest request;
    request.toText = QStringLiteral("a@x.jp, 二 <b@x.jp>");
    const SendReport report = MailSend(paths, sender).run(request);
    ASSERT_EQ(report.passes.size(), 1);
    EXPECT_TRUE(report.passes[0].sent());
    EXPECT_FALSE(report.allSent());
    EXPECT_EQ(MailFile::sent(paths).count().value(), 1);
    const QList<Error> errors = report.errors();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].name, QStringLiteral("b@x.jp"));
    EXPECT_EQ(chainOf(errors[0]),
              (QList<Error::Kind>{Error::Kind::NotSent, Error::Kind::Refused}));
}
