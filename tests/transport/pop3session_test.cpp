// The POP3 session against a scripted loopback server: the protocol paths a
// real server will not take on demand.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "tests/support/clearlogin.h"
#include "tests/support/errors.h"
#include "tests/support/scriptedserver.h"
#include "transport/pop3session.h"

namespace {

using S = ScriptedServer;
using K = Error::Kind;

ScriptedServer::Script greeting(std::initializer_list<const char*> capabilities,
                                const char* hello = "+OK ready") {
    ScriptedServer::Script s{S::send(hello), S::expect("CAPA"), S::send("+OK")};
    for (const char* c : capabilities)
        s += S::send(c);
    s += S::send(".");
    return s;
}

// USER/PASS in clear (no timestamp, no STLS), then STAT and LIST of the
// given sizes; UIDL is answered -ERR as by a server without it.
ScriptedServer::Script loggedIn(std::initializer_list<const char*> capabilities,
                                std::initializer_list<const char*> listLines) {
    ScriptedServer::Script s = greeting(capabilities);
    s += {S::expect("USER u"), S::send("+OK"), S::expect("PASS p"), S::send("+OK")};
    const QByteArray stat = "+OK " + QByteArray::number(qsizetype(listLines.size())) + " 100";
    s += {S::expect("STAT"), S::send(stat.constData())};
    s += S::expect("LIST");
    if (std::find(capabilities.begin(), capabilities.end(), std::string_view("PIPELINING")) !=
        capabilities.end()) {
        s += {S::expect("UIDL"), S::send("+OK")};
        for (const char* l : listLines)
            s += S::send(l);
        s += {S::send("."), S::send("-ERR no UIDL")};
    } else {
        s += S::send("+OK");
        for (const char* l : listLines)
            s += S::send(l);
        s += {S::send("."), S::expect("UIDL"), S::send("-ERR no UIDL")};
    }
    return s;
}

Pop3Session::Options quick() {
    Pop3Session::Options o;
    o.timeouts.connectMillis = 2000;
    o.timeouts.idleMillis = 2000;
    return o;
}

std::string problemsOf(ScriptedServer& server) {
    return server.problems().join(u'\n').toStdString();
}

// The number of messages, or -1 with `error` saying why.
int logIn(Pop3Session& pop, ScriptedServer& server, Error* error = nullptr) {
    Result<int> count = Result<int>::failure({});
    if (const Status connected = pop.connect(server.address()); !connected)
        count = Result<int>::failure(connected.error());
    else
        count = pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false);
    if (!count && error)
        *error = count.error();
    return count ? *count : -1;
}

} // namespace

TEST(Pop3Session, withoutPipeliningEveryCommandWaitsForItsAnswer) {
    auto script = loggedIn({"UIDL"}, {"1 100", "2 100"});
    script += {S::expectAlone("RETR 1"), S::send("+OK"), S::send("Subject: one"),  S::send("."),
               S::expectAlone("RETR 2"), S::send("+OK"), S::send("Subject: two"),  S::send("."),
               S::expectAlone("DELE 1"), S::send("+OK"), S::expectAlone("DELE 2"), S::send("+OK"),
               S::expectAlone("QUIT"),   S::send("+OK")};
    ScriptedServer server({script});
    Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
    ASSERT_EQ(logIn(pop, server), 2) << problemsOf(server);
    EXPECT_EQ(*pop.fetchRaw(1), QByteArray("Subject: one\r\n"));
    EXPECT_EQ(*pop.fetchRaw(2), QByteArray("Subject: two\r\n"));
    EXPECT_TRUE(pop.remove(1).ok());
    EXPECT_TRUE(pop.remove(2).ok());
    pop.close();
    EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
}

TEST(Pop3Session, pipelinedErrorsBelongToTheirOwnMessage) {
    auto script = loggedIn({"PIPELINING"}, {"1 100", "2 100", "3 100"});
    // All three RETRs come before the first answer; so do both DELEs and
    // the QUIT behind them.
    script += {S::expect("RETR 1"),
               S::expect("RETR 2"),
               S::expect("RETR 3"),
               S::send("+OK"),
               S::send("Subject: one"),
               S::send("."),
               S::send("-ERR message 2 is locked"),
               S::send("+OK"),
               S::send("Subject: three"),
               S::send("."),
               S::expect("DELE 1"),
               S::expect("DELE 3"),
               S::expect("QUIT"),
               S::send("+OK"),
               S::send("-ERR cannot delete 3"),
               S::send("+OK")};
    ScriptedServer server({script});
    Pop3Session::Options options = quick();
    options.windowMessages = 3;
    Pop3Session pop(options, CertificateTrust(), ClearLoginAgreed());
    ASSERT_EQ(logIn(pop, server), 3) << problemsOf(server);
    EXPECT_EQ(*pop.fetchRaw(1), QByteArray("Subject: one\r\n"));
    const Result<QByteArray> second = pop.fetchRaw(2);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().kind, K::NotReceived);
    EXPECT_EQ(second.error().number, 2);
    EXPECT_EQ(second.error().detail, QStringLiteral("-ERR message 2 is locked"));
    EXPECT_EQ(*pop.fetchRaw(3), QByteArray("Subject: three\r\n"));
    EXPECT_TRUE(pop.remove(1).ok());
    EXPECT_TRUE(pop.remove(3).ok());
    const Status removed = pop.flushRemovalsAndClose();
    ASSERT_FALSE(removed.ok());
    EXPECT_EQ(removed.error().kind, K::NotDeleted);
    EXPECT_EQ(removed.error().number, 3);
    EXPECT_EQ(removed.error().detail, QStringLiteral("-ERR cannot delete 3"));
    EXPECT_TRUE(pop.removalsCommitted()) << "the QUIT was answered: message 1 is gone";
    EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
}

TEST(Pop3Session, theWindowOfRetrsIsBoundedByCountAndByBytes) {
    Pop3Session::Options byCount = quick();
    byCount.windowMessages = 3;
    Pop3Session::Options byBytes = quick();
    byBytes.windowBytes = 250; // three messages of 100 bytes reach it
    for (const Pop3Session::Options& options : {byCount, byBytes}) {
        auto script = loggedIn({"PIPELINING"}, {"1 100", "2 100", "3 100", "4 100"});
        script += {S::expect("RETR 1"),
                   S::expect("RETR 2"),
                   S::expectAlone("RETR 3"),
                   S::send("+OK"),
                   S::send("1"),
                   S::send("."),
                   S::expectAlone("RETR 4"),
                   S::send("+OK"),
                   S::send("2"),
                   S::send("."),
                   S::send("+OK"),
                   S::send("3"),
                   S::send("."),
                   S::send("+OK"),
                   S::send("4"),
                   S::send("."),
                   S::expect("QUIT"),
                   S::send("+OK")};
        ScriptedServer server({script});
        Pop3Session pop(options, CertificateTrust(), ClearLoginAgreed());
        ASSERT_EQ(logIn(pop, server), 4) << problemsOf(server);
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(*pop.fetchRaw(n), QByteArray::number(n) + "\r\n");
        pop.close();
        EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
    }
}

// Mail stored before and left on the server is not sent ahead for nothing.
TEST(Pop3Session, messagesPassedOverAreNotFetchedAhead) {
    auto script = loggedIn({"PIPELINING"}, {"1 100", "2 100", "3 100", "4 100"});
    script += {S::expect("RETR 2"), S::expect("RETR 4"), S::send("+OK"), S::send("2"),      S::send("."),
               S::send("+OK"),      S::send("4"),        S::send("."),   S::expect("QUIT"), S::send("+OK")};
    ScriptedServer server({script});
    Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
    ASSERT_EQ(logIn(pop, server), 4) << problemsOf(server);
    pop.passOver({1, 3});
    EXPECT_EQ(*pop.fetchRaw(2), QByteArray("2\r\n"));
    EXPECT_EQ(*pop.fetchRaw(4), QByteArray("4\r\n"));
    pop.close();
    EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
}

TEST(Pop3Session, pipelinedLoginRefusedGivesTheServersWords) {
    auto script = greeting({"PIPELINING", "USER"});
    script += {S::expect("USER u"),
               S::expect("PASS p"),
               S::expect("STAT"),
               S::expect("LIST"),
               S::expect("UIDL"),
               S::send("+OK"),
               S::send("-ERR [AUTH] Authentication failed."),
               S::send("-ERR not logged in"),
               S::send("-ERR not logged in"),
               S::send("-ERR not logged in"),
               S::expect("QUIT"),
               S::send("+OK")};
    ScriptedServer server({script});
    Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
    Error error;
    EXPECT_EQ(logIn(pop, server, &error), -1);
    EXPECT_EQ(error.kind, K::Login);
    EXPECT_EQ(error.detail, QStringLiteral("-ERR [AUTH] Authentication failed."));
    pop.close();
    EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
}

TEST(Pop3Session, dotStuffedLinesAreUnstuffed) {
    auto script = loggedIn({}, {"1 100"});
    script += {S::expect("RETR 1"),      S::send("+OK 60 octets"),
               S::send("Subject: dots"), S::send(""),
               S::send("..leading"),     S::send(".."),
               S::send("a . inside"),    S::send("."),
               S::expect("QUIT"),        S::send("+OK")};
    ScriptedServer server({script});
    Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
    ASSERT_EQ(logIn(pop, server), 1) << problemsOf(server);
    const Result<QByteArray> got = pop.fetchRaw(1);
    ASSERT_TRUE(got.ok()) << testing::PrintToString(got.error());
    EXPECT_EQ(*got, QByteArray("Subject: dots\r\n\r\n.leading\r\n.\r\na . inside\r\n"));
}

TEST(Pop3Session, retrCutOffBeforeTheFinalDotFails) {
    auto script = loggedIn({}, {"1 100"});
    script += {S::expect("RETR 1"), S::send("+OK"), S::send("Subject: half"), S::close()};
    ScriptedServer server({script});
    Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
    ASSERT_EQ(logIn(pop, server), 1) << problemsOf(server);
    const Result<QByteArray> got = pop.fetchRaw(1);
    ASSERT_FALSE(got.ok());
    EXPECT_EQ(chainOf(got.error()), (QList<K>{K::NotReceived, K::LostMidReply, K::ConnectionLost}));
    EXPECT_EQ(got.error().number, 1);
}

TEST(Pop3Session, silentServerEndsInATimeoutError) {
    auto script = loggedIn({}, {"1 100"});
    script += {S::expect("RETR 1"), S::send("+OK"), S::send("Subject: half"), S::silent(1500)};
    ScriptedServer server({script});
    Pop3Session::Options options = quick();
    options.timeouts.idleMillis = 300;
    Pop3Session pop(options, CertificateTrust(), ClearLoginAgreed());
    ASSERT_EQ(logIn(pop, server), 1) << problemsOf(server);
    const Result<QByteArray> got = pop.fetchRaw(1);
    ASSERT_FALSE(got.ok());
    EXPECT_EQ(chainOf(got.error()), (QList<K>{K::NotReceived, K::LostMidReply, K::Timeout}));
}

TEST(Pop3Session, messagesOverTheCapStayOnTheServer) {
    // 2 is too large by its LIST size and never asked for; 3 claims little
    // but sends more than the cap. Neither is deleted; 1 still can be.
    auto script = loggedIn({"PIPELINING"}, {"1 100", "2 5000", "3 100"});
    script += {S::expect("RETR 1"),     S::expect("RETR 3"), S::send("+OK"),
               S::send("Subject: one"), S::send("."),        S::send("+OK")};
    for (int i = 0; i < 20; ++i)
        script += S::send("0123456789012345678901234567890123456789012345678901234567890123456789");
    script += {S::send("."), S::expect("DELE 1"), S::send("+OK"), S::expect("QUIT"), S::send("+OK")};
    ScriptedServer server({script});
    Pop3Session::Options options = quick();
    options.maxMessageBytes = 1000;
    Pop3Session pop(options, CertificateTrust(), ClearLoginAgreed());
    ASSERT_EQ(logIn(pop, server), 3) << problemsOf(server);
    EXPECT_FALSE(pop.isTooLarge(1));
    EXPECT_TRUE(pop.isTooLarge(2));
    EXPECT_EQ(*pop.fetchRaw(1), QByteArray("Subject: one\r\n"));
    const Result<QByteArray> second = pop.fetchRaw(2);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(chainOf(second.error()), QList<K>{K::TooLarge});
    const Result<QByteArray> third = pop.fetchRaw(3);
    ASSERT_FALSE(third.ok());
    EXPECT_EQ(chainOf(third.error()), (QList<K>{K::NotReceived, K::ReplyTooLarge}));
    EXPECT_TRUE(pop.remove(1).ok());
    pop.close();
    EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
    for (const QByteArray& line : server.received())
        EXPECT_FALSE(line.startsWith("RETR 2") || line.startsWith("DELE 2") || line.startsWith("DELE 3"))
            << line.data();
}

TEST(Pop3Session, apopIsUsedInClearWheneverTheGreetingAllowsIt) {
    // The example of RFC 1939, section 7.
    auto script = greeting({}, "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>");
    script += {S::expect("APOP mrose c4c9334bac560ecc979e58001b3e22fb"),
               S::send("+OK maildrop has 0 messages"),
               S::expect("STAT"),
               S::send("+OK 0 0"),
               S::expect("QUIT"),
               S::send("+OK")};
    ScriptedServer server({script});
    Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
    ASSERT_TRUE(pop.connect(server.address()));
    EXPECT_EQ(countOf(pop.authenticate(QStringLiteral("mrose"), QStringLiteral("tanstaaf"), false)), 0)
        << problemsOf(server);
    pop.close();
    EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
}

TEST(Pop3Session, apopAskedForWithoutATimestampFailsAndSendsNoPassword) {
    ScriptedServer server({greeting({"USER"})});
    Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
    ASSERT_TRUE(pop.connect(server.address()));
    EXPECT_EQ(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), true).error().kind,
              K::ApopUnsupported);
    pop.close();
    for (const QByteArray& line : server.received())
        EXPECT_FALSE(line.startsWith("USER") || line.startsWith("PASS") || line.startsWith("APOP"))
            << line.data();
}

TEST(Pop3Session, brokenStlsHandshakeIsAnErrorAndNoPasswordLeaves) {
    const struct {
        const char* name;
        S::Script afterYes; // what the server does once it has said yes to STLS
        Error::Kind kind;
    } rows[] = {
        {"garbage instead of a handshake",
         {S::send("this is not TLS at all"), S::silent(300), S::close()},
         K::Tls},
        {"hangs up at once", {S::close()}, K::ConnectionLost},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto script = greeting({"STLS", "USER"});
        script += {S::expect("STLS"), S::send("+OK Begin TLS negotiation")};
        script += row.afterYes;
        ScriptedServer server({script});
        Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
        const Error error = pop.connect(server.address()).error();
        EXPECT_EQ(error.kind, row.kind);
        EXPECT_FALSE(error.name.isEmpty()) << "the user is told which server";
        EXPECT_FALSE(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false).ok());
        pop.close();
        for (const QByteArray& line : server.received())
            EXPECT_FALSE(line.startsWith("USER") || line.startsWith("PASS")) << line.data();
        EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
    }
}

TEST(Pop3Session, connectionThatIsNeverAcceptedEndsInATimeoutError) {
    // A listener that accepts nothing, its queue already full: the
    // handshake of the next connection is never answered.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length), 0);
    std::vector<int> waiting;
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        (void)::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        waiting.push_back(fd);
    }
    Pop3Session::Options options = quick();
    options.timeouts.connectMillis = 300;
    Pop3Session pop(options, CertificateTrust(), ClearLoginAgreed());
    EXPECT_EQ(pop.connect(QStringLiteral("127.0.0.1:%1").arg(ntohs(addr.sin_port))).error().kind,
              K::CannotConnect);
    for (int fd : waiting)
        ::close(fd);
    ::close(listener);
}

TEST(Pop3Session, refusedConnectionAndUnknownHostFailCleanly) {
    int closedPort = 0;
    {
        ScriptedServer gone({});
        closedPort = gone.port();
    }
    Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
    const Error refused = pop.connect(QStringLiteral("127.0.0.1:%1").arg(closedPort)).error();
    EXPECT_EQ(refused.kind, K::CannotConnect);
    EXPECT_EQ(refused.name, QStringLiteral("127.0.0.1:%1").arg(closedPort));
    EXPECT_FALSE(refused.detail.isEmpty()) << "the system's words";
    EXPECT_EQ(pop.connect(QStringLiteral("no-such-host.invalid")).error().kind, K::ServerNotFound);
    EXPECT_EQ(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false).error().kind,
              K::ServerNotFound)
        << "a login without a session gives why there is none";
    const Error badName = pop.connect(QStringLiteral("host:notaport")).error();
    EXPECT_EQ(badName.kind, K::BadServerName);
    EXPECT_EQ(badName.name, QStringLiteral("host:notaport"));
    EXPECT_EQ(badName.detail, QStringLiteral("POP3"));
}

TEST(Pop3Session, deletionsCountAsCommittedOnlyWhenTheQuitIsAnswered) {
    // RFC 1939: the server removes the marked messages only in the UPDATE state.
    auto refused = loggedIn({}, {"1 100"});
    refused +=
        {S::expect("DELE 1"), S::send("+OK"), S::expect("QUIT"), S::send("-ERR some messages not removed")};
    auto cut = loggedIn({}, {"1 100"});
    cut += {S::expect("DELE 1"), S::send("+OK"), S::expect("QUIT"), S::close()};
    auto taken = loggedIn({}, {"1 100"});
    taken += {S::expect("DELE 1"), S::send("+OK"), S::expect("QUIT"), S::send("+OK")};
    ScriptedServer server({refused, cut, taken});
    for (const bool committed : {false, false, true}) {
        Pop3Session pop(quick(), CertificateTrust(), ClearLoginAgreed());
        ASSERT_EQ(logIn(pop, server), 1) << problemsOf(server);
        EXPECT_TRUE(pop.remove(1).ok());
        pop.close();
        EXPECT_EQ(pop.removalsCommitted(), committed);
    }
    EXPECT_TRUE(server.problems().isEmpty()) << problemsOf(server);
}
