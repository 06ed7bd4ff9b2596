// Decoding takes time in proportion to the input whatever its shape: a
// hostile mail must not stop every later check. Each input here made an
// earlier decoder take hours or run out of stack.
#include <QByteArray>
#include <chrono>
#include <cstdio>
#include <future>
#include <gtest/gtest.h>
#include <thread>

#include "mime/headertext.h"
#include "mime/mimedecoder.h"

namespace {

constexpr qsizetype kTenMegabytes = 10 * 1024 * 1024;

// Far above what a linear decoder needs even under the sanitizers, far below
// what a quadratic one would take on 10 MB.
constexpr std::chrono::minutes kBound{4};

// Runs `work` on a thread of its own and waits at most kBound for it. A
// worker past the bound cannot be stopped, so the test program ends there
// with a failure instead of hanging the run.
void expectFinishes(const char* what, std::function<void()> work) {
    std::packaged_task<void()> task(std::move(work));
    std::future<void> done = task.get_future();
    std::thread(std::move(task)).detach();
    if (done.wait_for(kBound) == std::future_status::ready) {
        done.get();
        return;
    }
    ADD_FAILURE() << what << " did not finish within " << kBound.count() << " minutes";
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);
}

QByteArray repeatedTo(QByteArrayView piece, qsizetype size) {
    QByteArray out;
    out.reserve(size + piece.size());
    while (out.size() < size)
        out += piece;
    return out;
}

QByteArray mailWithSubject(const QByteArray& subject) {
    return "From: a@example.jp\r\nSubject: " + subject + "\r\n\r\nbody\r\n";
}

} // namespace

TEST(HugeInput, headerLinesOfTenMegabytesDecode) {
    const struct {
        const char* name;
        QByteArray subject;
        QString expectedStart;
    } cases[] = {
        {"plain text", QByteArray(kTenMegabytes, 'a'), QStringLiteral("aaaa")},
        {"encoded words", repeatedTo("=?utf-8?B?5pel5pys?= ", kTenMegabytes), QStringLiteral("日本日本")},
        // Each "=?" looks like the start of a word whose end is far away.
        {"unfinished words", repeatedTo("=?a b?Q?x", kTenMegabytes) + "?=", QStringLiteral("=?a b?Q?x=?a b")},
        {"joined ISO-2022-JP words", repeatedTo("=?iso-2022-jp?B?GyRCJEYbKEI=?= ", kTenMegabytes),
         QStringLiteral("ててて")},
        {"an unclosed word", "=?utf-8?B?" + repeatedTo("5pel", kTenMegabytes),
         QStringLiteral("=?utf-8?B?5pel5pel")},
    };
    for (const auto& c : cases) {
        expectFinishes(c.name, [&] {
            EXPECT_TRUE(HeaderText::decode(c.subject).startsWith(c.expectedStart)) << c.name;
            const ReceivedMessage m = MimeDecoder::decode(mailWithSubject(c.subject));
            EXPECT_TRUE(m.subject.startsWith(c.expectedStart)) << c.name;
            EXPECT_EQ(m.body.trimmed(), QStringLiteral("body")) << c.name;
        });
    }
}

TEST(HugeInput, parametersOfTenMegabytesDecode) {
    const QByteArray continued = "attachment" + repeatedTo("; filename*1*=%E6%97%A5", kTenMegabytes);
    const QByteArray escaped = repeatedTo("\\\";", kTenMegabytes); // \"; each, unquoted as ";
    const QByteArray quoted = "attachment; filename=\"" + escaped + "\"";
    expectFinishes("parameters", [&] {
        EXPECT_EQ(HeaderText::parameter(continued, "filename"), QStringLiteral("日"));
        EXPECT_EQ(HeaderText::parameter(quoted, "filename").size(), escaped.size() / 3 * 2);
    });
}

namespace {

QByteArray nestedMultipart(int levels) {
    // Each level opens a multipart inside the last; the innermost holds a file.
    QByteArray raw = "From: a@example.jp\r\nSubject: nest\r\nMIME-Version: 1.0\r\n";
    for (int i = 0; i < levels; ++i)
        raw += "Content-Type: multipart/mixed; boundary=b" + QByteArray::number(i) + "\r\n\r\n--b" +
               QByteArray::number(i) + "\r\n";
    raw += "Content-Type: application/octet-stream; name=deep.bin\r\n\r\ndeep\r\n";
    return raw;
}

QByteArray nestedForwards(int levels) {
    // Each level forwards the mail below it whole.
    QByteArray raw;
    for (int i = 0; i < levels; ++i)
        raw += "Subject: fwd" + QByteArray::number(i) + "\r\nContent-Type: message/rfc822\r\n\r\n";
    return raw + "Subject: inner\r\n\r\ninner\r\n";
}

} // namespace

TEST(HugeInput, deeplyNestedMultipartsAndForwardsDecode) {
    // A thousand levels still give up their file; GMime stops following far
    // deeper ones, and neither its parser nor our walk runs out of stack, nor
    // on a hundred thousand forwards inside each other.
    expectFinishes("nested multipart", [] {
        const ReceivedMessage thousand = MimeDecoder::decode(nestedMultipart(1000));
        ASSERT_EQ(thousand.attachments.size(), 1);
        EXPECT_EQ(thousand.attachments[0].name, QStringLiteral("deep.bin"));
        const ReceivedMessage deepest = MimeDecoder::decode(nestedMultipart(100000));
        EXPECT_EQ(deepest.subject, QStringLiteral("nest"));
        const ReceivedMessage forwarded = MimeDecoder::decode(nestedForwards(100000));
        EXPECT_EQ(forwarded.subject, QStringLiteral("fwd0"));
        EXPECT_EQ(forwarded.attachments.size(), 1) << "the forwarded mail travels whole, as one file";
    });
}

TEST(HugeInput, htmlBodiesOfTenMegabytesBecomeText) {
    const struct {
        const char* name;
        QByteArray html;
        QString end; // of the body; an unclosed comment or script hides the paragraph after it
    } cases[] = {
        {"unclosed comments", repeatedTo("<!--", kTenMegabytes), QString()},
        {"unclosed tags", repeatedTo("<", kTenMegabytes), QStringLiteral("end")},
        {"unclosed breaks", repeatedTo("<br", kTenMegabytes), QStringLiteral("end")},
        {"unclosed scripts", repeatedTo("<script>", kTenMegabytes), QString()},
        // 4 MB: a pattern-based pass spent more than five minutes on it (at 10 MB it gave up at once).
        {"unclosed heads", repeatedTo("<head>/", 4 * 1024 * 1024), QStringLiteral("end")},
        {"entities", repeatedTo("&amp;&#x41;&bogus", kTenMegabytes), QStringLiteral("end")},
    };
    for (const auto& c : cases) {
        const QByteArray raw =
            "Subject: html\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" + c.html + "<p>end</p>\r\n";
        expectFinishes(c.name, [&] { EXPECT_EQ(MimeDecoder::decode(raw).body.right(3), c.end) << c.name; });
    }
}
