// The forms a POP3 server field may take.
#include <gtest/gtest.h>

#include "transport/serveraddress.h"

namespace {

struct Row {
    const char* name;
    const char* text;
    bool valid;
    const char* host;
    int port;
    bool tls;
};

const Row kRows[] = {
    {"bare-host-is-pop3-on-110", "mail.example.jp", true, "mail.example.jp", 110, false},
    {"host-and-port", "mail.example.jp:1110", true, "mail.example.jp", 1110, false},
    {"port-995-means-tls", "mail.example.jp:995", true, "mail.example.jp", 995, true},
    {"pop3-scheme", "pop3://mail.example.jp", true, "mail.example.jp", 110, false},
    {"pop3-scheme-with-port-and-slash", "POP3://mail.example.jp:2110/", true, "mail.example.jp", 2110, false},
    {"explicit-pop3-on-995-stays-in-clear", "pop3://mail.example.jp:995", true, "mail.example.jp", 995,
     false},
    {"pop3s-scheme-is-995", "pop3s://mail.example.jp", true, "mail.example.jp", 995, true},
    {"pop3s-scheme-with-port", "pop3s://mail.example.jp:1995", true, "mail.example.jp", 1995, true},
    {"ipv6-in-brackets", "[::1]:1100", true, "::1", 1100, false},
    {"ipv6-behind-pop3s", "pop3s://[2001:db8::1]", true, "2001:db8::1", 995, true},
    {"bare-ipv6", "2001:db8::1", true, "2001:db8::1", 110, false},
    {"spaces-around", "  pop3s://host  ", true, "host", 995, true},
    {"scheme-without-host", "pop3s://", false, "", 0, false},
    {"other-scheme", "imap://host", false, "", 0, false},
    {"port-not-a-number", "host:pop", false, "", 0, false},
    {"port-out-of-range", "host:70000", false, "", 0, false},
    {"user-in-the-name", "me@host", false, "", 0, false},
    {"empty", "", false, "", 0, false},
};

} // namespace

TEST(ServerAddress, pop3FieldForms) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        const std::optional<ServerAddress> a = ServerAddress::parse(QString::fromUtf8(row.text), kPop3Scheme);
        ASSERT_EQ(a.has_value(), row.valid);
        if (!a)
            continue;
        EXPECT_EQ(a->host, QString::fromUtf8(row.host));
        EXPECT_EQ(a->port, row.port);
        EXPECT_EQ(a->tlsFromStart, row.tls);
    }
}
