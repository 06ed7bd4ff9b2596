// Failure paths against a scripted loopback server.
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "tests/support/scriptedserver.h"
#include "transport/pop3session.h"

namespace {

using S = ScriptedServer;

// libcurl looks at the server once without logging in (the greeting). With
// no timestamp in the greeting and no SASL, it logs in with USER/PASS.
ScriptedServer::Script probe() {
    return {S::send("+OK ready"), S::expect("CAPA"), S::send("+OK"), S::send("USER"), S::send(".")};
}

ScriptedServer::Script loginListing(const char* listLine) {
    return {S::send("+OK ready"), S::expect("CAPA"),   S::send("+OK"),       S::send("USER"),
            S::send("."),         S::expect("USER u"), S::send("+OK"),       S::expect("PASS p"),
            S::send("+OK"),       S::expect("STAT"),   S::send("+OK 1 100"), S::expect("LIST"),
            S::send("+OK"),       S::send(listLine),   S::send(".")};
}

Pop3Session::Options quick() {
    Pop3Session::Options o;
    o.timeouts.connectSeconds = 2;
    o.timeouts.idleSeconds = 1;
    return o;
}

} // namespace

TEST(Pop3Failure, serverSilentInTheMiddleOfRetrTimesOut) {
    auto script = loginListing("1 100");
    script += {S::expect("RETR 1"), S::send("+OK"), S::send("Subject: half"), S::silent(2500)};
    ScriptedServer server({probe(), script});
    Pop3Session pop(quick());
    ASSERT_TRUE(pop.connect(server.address())) << pop.lastError().toStdString();
    ASSERT_EQ(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false), 1)
        << pop.lastError().toStdString() << "\n"
        << server.problems().join(u'\n').toStdString();
    QElapsedTimer timer;
    timer.start();
    const auto got = pop.fetch(1);
    EXPECT_FALSE(got.ok());
    EXPECT_LT(timer.elapsed(), 3500);
    EXPECT_FALSE(got.error().isEmpty());
    EXPECT_TRUE(server.problems().isEmpty()) << server.problems().join(u'\n').toStdString();
}

TEST(Pop3Failure, droppedConnectionFailsTheFetch) {
    auto script = loginListing("1 100");
    script += {S::expect("RETR 1"), S::send("+OK"), S::send("Subject: half"), S::close()};
    ScriptedServer server({probe(), script});
    Pop3Session pop(quick());
    ASSERT_TRUE(pop.connect(server.address()));
    ASSERT_EQ(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false), 1)
        << pop.lastError().toStdString() << "\n"
        << server.problems().join(u'\n').toStdString();
    const auto got = pop.fetch(1);
    ASSERT_FALSE(got.ok());
    EXPECT_TRUE(got.error().contains(QStringLiteral("切れました")) ||
                got.error().contains(QStringLiteral("失敗")))
        << got.error().toStdString();
}

TEST(Pop3Failure, hugeClaimedSizeIsRefusedWithoutFetching) {
    auto script = loginListing("1 4294967296");
    script += {S::expect("QUIT"), S::send("+OK")};
    ScriptedServer server({probe(), script});
    Pop3Session pop(quick());
    ASSERT_TRUE(pop.connect(server.address()));
    ASSERT_EQ(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false), 1)
        << pop.lastError().toStdString() << "\n"
        << server.problems().join(u'\n').toStdString();
    EXPECT_EQ(pop.size(1), 4294967296LL);
    const auto got = pop.fetch(1);
    ASSERT_FALSE(got.ok());
    EXPECT_TRUE(got.error().contains(QStringLiteral("大きすぎる")));
    pop.close();
    EXPECT_TRUE(server.problems().isEmpty()) << server.problems().join(u'\n').toStdString();
    for (const QByteArray& line : server.received())
        EXPECT_FALSE(line.startsWith("RETR"));
}

TEST(Pop3Failure, messageNumberNotListedIsRefusedBeforeAnyCommand) {
    auto script = loginListing("1 100");
    script += {S::expect("QUIT"), S::send("+OK")};
    ScriptedServer server({probe(), script});
    Pop3Session pop(quick());
    ASSERT_TRUE(pop.connect(server.address()));
    ASSERT_EQ(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false), 1)
        << pop.lastError().toStdString() << "\n"
        << server.problems().join(u'\n').toStdString();
    EXPECT_FALSE(pop.remove(2).ok());
    EXPECT_FALSE(pop.fetch(7).ok());
    pop.close();
    EXPECT_TRUE(server.problems().isEmpty()) << server.problems().join(u'\n').toStdString();
}

TEST(Pop3Failure, apopWithoutTimestampInGreetingFailsClearly) {
    ScriptedServer server({{S::send("+OK ready"), S::expect("CAPA"), S::send("+OK"), S::send(".")}});
    Pop3Session pop(quick());
    ASSERT_TRUE(pop.connect(server.address()));
    EXPECT_EQ(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), true), -1);
    EXPECT_TRUE(pop.lastError().contains(QStringLiteral("APOP")));
}

TEST(Pop3Failure, refusedConnectionAndUnknownHostFailCleanly) {
    int closedPort = 0;
    {
        ScriptedServer gone({});
        closedPort = gone.port();
    }
    Pop3Session pop(quick());
    EXPECT_FALSE(pop.connect(QStringLiteral("127.0.0.1:%1").arg(closedPort)));
    EXPECT_TRUE(pop.lastError().contains(QStringLiteral("接続できません"))) << pop.lastError().toStdString();
    EXPECT_FALSE(pop.connect(QStringLiteral("no-such-host.invalid")));
    EXPECT_TRUE(pop.lastError().contains(QStringLiteral("見つかりません"))) << pop.lastError().toStdString();
    EXPECT_EQ(pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false), -1);
    EXPECT_FALSE(pop.connect(QStringLiteral("host:notaport")));
}
