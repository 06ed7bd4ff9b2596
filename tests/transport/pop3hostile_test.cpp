// The POP3 session against servers that lie, trickle, or have someone on the
// path: each row is what the server sent, played through a fake stream on a
// clock of its own, and what must come of it.
#include <gtest/gtest.h>

#include "tests/support/errors.h"
#include "tests/support/fakemailstream.h"
#include "tests/support/tempfolder.h"
#include "transport/pop3session.h"

namespace {

using Chunk = FakeMailStream::Chunk;
using Lines = QList<QByteArray>;
using K = Error::Kind;

const QString kServer = QStringLiteral("127.0.0.1");

Lines multiLine(const Lines& lines) {
    Lines out{"+OK"};
    out += lines;
    out += ".";
    return out;
}

// Greeting, CAPA without STLS, USER/PASS accepted, STAT, LIST and UIDL.
QList<Chunk> loggedIn(const QByteArray& stat, const Lines& list, const Lines& uidl = {"1 first"}) {
    Lines lines{"+OK ready"};
    lines += multiLine({"USER", "UIDL"});
    lines += {"+OK", "+OK", stat};
    lines += multiLine(list);
    lines += multiLine(uidl);
    return {FakeMailStream::lines(lines)};
}

struct Session {
    std::unique_ptr<Pop3Session> pop;
    std::shared_ptr<const FakeMailStream::Record> record;
    int questions = 0;
};

// A session over `chunks`; a login in clear is agreed to unless `agree` says otherwise.
std::unique_ptr<Session> play(QList<Chunk> chunks, const QString& policyFile = {}, bool agree = true) {
    auto session = std::make_unique<Session>();
    auto stream = std::make_unique<FakeMailStream>(std::move(chunks));
    session->record = stream->record();
    Session* s = session.get();
    TlsPolicy policy(policyFile, [s, agree](const Error&) {
        ++s->questions;
        return agree;
    });
    session->pop =
        std::make_unique<Pop3Session>(Pop3Session::Options{}, std::move(stream), std::move(policy));
    return session;
}

bool wrote(const Session& s, const char* prefix) {
    for (const QByteArray& line : s.record->written)
        if (line.startsWith(prefix))
            return true;
    return false;
}

bool sentPassword(const Session& s) {
    return wrote(s, "USER") || wrote(s, "PASS") || wrote(s, "APOP") || wrote(s, "AUTH");
}

} // namespace

TEST(Pop3Hostile, onlyCrLfDotCrLfEndsAMessageAndLinesAreBounded) {
    struct Row {
        const char* name;
        QByteArray retr; // the server's whole answer to RETR 1
        QByteArray body; // what the session gives, or
        QList<K> error;  // the kinds down the error's causes
    };
    const Row rows[] = {
        {"dot-before-a-lone-lf-does-not-end-the-message",
         "+OK\r\nSubject: a\r\n\r\n.\nX-Forged: yes\r\nrest\r\n.\r\n",
         "Subject: a\r\n\r\n\nX-Forged: yes\r\nrest\r\n",
         {}},
        {"lone-lf-stays-inside-its-line", "+OK\r\nA\nB\r\n.\r\n", "A\nB\r\n", {}},
        {"line-of-over-a-megabyte-drops-the-connection",
         "+OK\r\n" + QByteArray(LineReader::kMaxLineBytes + 10, 'x'),
         {},
         {K::NotReceived, K::LostMidReply, K::LineTooLong}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QList<Chunk> chunks = loggedIn("+OK 1 10", {"1 10"});
        chunks += Chunk{row.retr};
        auto s = play(chunks);
        ASSERT_TRUE(s->pop->connect(kServer));
        ASSERT_EQ(countOf(s->pop->authenticate(QStringLiteral("u"), QStringLiteral("p"), false)), 1);
        const Result<QByteArray> got = s->pop->fetchRaw(1);
        if (!row.error.isEmpty()) {
            ASSERT_FALSE(got.ok());
            EXPECT_EQ(chainOf(got.error()), row.error);
            EXPECT_FALSE(s->pop->remove(1).ok());
            s->pop->close();
            EXPECT_FALSE(wrote(*s, "DELE") || wrote(*s, "QUIT"));
        } else {
            ASSERT_TRUE(got.ok()) << testing::PrintToString(got.error());
            EXPECT_EQ(*got, row.body);
        }
    }
}

TEST(Pop3Hostile, countsAndSizesThatDisagreeEndTheSessionWithNothingFetched) {
    struct Row {
        const char* name;
        QByteArray stat;
        Lines list;
        Lines uidl;
        int count; // what authenticate gives; -1: the error, as
        K error = K::ListMismatch;
        QStringList uidls = {}; // of messages 1, 2, … when it succeeds
    };
    const Row rows[] = {
        {"stat-count-far-beyond-the-list", "+OK 2147483647 10", {"1 10"}, {}, -1},
        {"negative-size", "+OK 1 10", {"1 -5"}, {}, -1},
        {"size-not-a-number", "+OK 1 10", {"1 ten"}, {}, -1},
        {"number-listed-twice", "+OK 2 20", {"1 10", "1 10"}, {}, -1},
        {"number-beyond-the-count", "+OK 1 10", {"2 10"}, {}, -1},
        {"stat-without-a-count", "+OK many", {"1 10"}, {}, -1, K::Protocol},
        {"uidls-out-of-form-or-range-count-as-none",
         "+OK 3 30",
         {"1 10", "2 10", "3 10"},
         {"1 " + QByteArray(71, 'a'), "2 ok-id", "3 bad\x01id", "4 beyond", "2 again"},
         3,
         {},
         {QString(), QStringLiteral("ok-id"), QString()}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto s = play(loggedIn(row.stat, row.list, row.uidl));
        ASSERT_TRUE(s->pop->connect(kServer));
        const Result<int> count = s->pop->authenticate(QStringLiteral("u"), QStringLiteral("p"), false);
        EXPECT_EQ(count ? *count : -1, row.count);
        if (row.count < 0) {
            EXPECT_EQ(count.error().kind, row.error);
            EXPECT_FALSE(s->pop->fetchRaw(1).ok());
        }
        for (int n = 1; n <= row.uidls.size(); ++n)
            EXPECT_EQ(s->pop->uidl(n), row.uidls[n - 1]) << n;
        s->pop->close();
        EXPECT_FALSE(wrote(*s, "RETR") || wrote(*s, "DELE"));
    }
}

TEST(Pop3Hostile, aReplyHasADeadlineThatGrowsWithItsSize) {
    auto trickle = [](const QByteArray& bytes, qsizetype piece, qint64 everyMillis) {
        QList<Chunk> out;
        for (qsizetype i = 0; i < bytes.size(); i += piece)
            out += Chunk{bytes.mid(i, piece), everyMillis};
        return out;
    };
    const QByteArray bigBody = "+OK\r\n" + QByteArray(20000, 'b') + "\r\n.\r\n";
    struct Row {
        const char* name;
        QByteArray listSize;
        QList<Chunk> retr;
        bool ok;
        qint64 endsBefore; // on the server's clock
    };
    const Row rows[] = {
        {"silent-server", "1 10", {}, false, 61000},
        {"status-line-one-byte-every-fifty-seconds", "1 10", trickle("+OK\r\n.\r\n", 1, 50000), false,
         120000},
        {"small-message-trickled-for-five-minutes", "1 100",
         trickle("+OK\r\n" + QByteArray(1000, 'a') + "\r\n.\r\n", 100, 30000), false, 130000},
        {"slow-but-steady-link-of-two-kilobytes-a-second", "1 20000", trickle(bigBody, 2048, 1000), true,
         30000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QList<Chunk> chunks = loggedIn("+OK 1 10", {row.listSize});
        chunks += row.retr;
        auto s = play(chunks);
        ASSERT_TRUE(s->pop->connect(kServer));
        ASSERT_EQ(countOf(s->pop->authenticate(QStringLiteral("u"), QStringLiteral("p"), false)), 1);
        const Result<QByteArray> got = s->pop->fetchRaw(1);
        EXPECT_EQ(got.ok(), row.ok);
        if (!row.ok) {
            EXPECT_EQ(chainOf(got.error()).last(), K::Timeout) << testing::PrintToString(got.error());
        }
        EXPECT_LT(s->record->clock, row.endsBefore);
    }
}

TEST(Pop3Hostile, noPasswordLeavesInClearUnlessTheUserAgreedAndNeverAfterTlsWasSeen) {
    const Lines capaWithoutTls = multiLine({"USER"});
    struct Row {
        const char* name;
        QByteArray policyBefore;
        Lines server;
        Lines afterTls; // what comes after the handshake
        bool agree;
        bool apop;
        bool connects;
        std::optional<K> error; // none: logged in
        int questions;
        QByteArray policyAfter;
    };
    const Lines stat{"+OK", "+OK", "+OK 0 0"};
    const Row rows[] = {
        {"stls-refused-by-a-server-seen-with-tls",
         "pop3 127.0.0.1:110 tls\n",
         Lines{"+OK ready", "-ERR not now"},
         {},
         true,
         false,
         false,
         K::TlsWithdrawn,
         0,
         "pop3 127.0.0.1:110 tls\n"},
        {"a-server-seen-with-tls-is-sent-stls-before-anything-else",
         "pop3 127.0.0.1:110 tls\n",
         Lines{"+OK ready", "+OK begin TLS"},
         multiLine({"SASL PLAIN"}) + Lines{"+OK", "+OK 0 0"},
         false,
         false,
         true,
         {},
         0,
         "pop3 127.0.0.1:110 tls\n"},
        {"no-tls-and-the-user-says-no",
         "",
         Lines{"+OK ready"} + capaWithoutTls,
         {},
         false,
         false,
         true,
         K::ClearLoginDeclined,
         1,
         ""},
        {"no-tls-and-the-user-says-yes",
         "",
         Lines{"+OK ready"} + capaWithoutTls + stat,
         {},
         true,
         false,
         true,
         {},
         1,
         "pop3 127.0.0.1:110 clear\n"},
        {"apop-in-clear-needs-the-yes-too",
         "",
         Lines{"+OK ready <1896.697170952@dbc.mtview.ca.us>"} + capaWithoutTls,
         {},
         false,
         false,
         true,
         K::ClearLoginDeclined,
         1,
         ""},
        {"a-stamp-with-a-space-is-no-apop-stamp",
         "",
         Lines{"+OK ready <1896 697@x>"} + capaWithoutTls,
         {},
         true,
         true,
         true,
         K::ApopUnsupported,
         0,
         ""},
        {"stls-offered-is-taken-and-lines-sent-before-the-handshake-are-dropped",
         "",
         Lines{"+OK ready"} + multiLine({"STLS", "USER"}) + Lines{"+OK begin TLS"} + multiLine({"USER"}),
         multiLine({"SASL PLAIN"}) + Lines{"+OK", "+OK 0 0"},
         false,
         false,
         true,
         {},
         0,
         "pop3 127.0.0.1:110 tls\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder data;
        const QString file = data.file(TlsPolicy::kFileName);
        if (!row.policyBefore.isEmpty())
            WriteBytes(file, row.policyBefore);
        auto s =
            play({FakeMailStream::lines(row.server), FakeMailStream::lines(row.afterTls)}, file, row.agree);
        const Status connected = s->pop->connect(kServer);
        EXPECT_EQ(connected.ok(), row.connects);
        const Result<int> count = s->pop->authenticate(QStringLiteral("u"), QStringLiteral("p"), row.apop);
        EXPECT_EQ(count ? std::optional<K>() : count.error().kind, row.error);
        EXPECT_EQ(sentPassword(*s), count.ok());
        EXPECT_EQ(s->questions, row.questions);
        EXPECT_EQ(QFile::exists(file) ? ReadBytes(file) : QByteArray(), row.policyAfter);
        if (row.policyBefore.endsWith(" tls\n")) {
            EXPECT_EQ(s->record->written.value(0), "STLS");
        }
    }
}
