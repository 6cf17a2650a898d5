// SPDX-License-Identifier: MIT
#include "check/LinkChecker.h"

#include "fakes/LocalHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace {

std::map<std::uint64_t, CLinkResult>
RunCheck(CLinkChecker& checker, const std::vector<CLinkJob>& jobs, int waitMs = 20000) {
    QSignalSpy done(&checker, &CLinkChecker::Finished);
    checker.Start(jobs);
    if (done.isEmpty()) {
        EXPECT_TRUE(done.wait(waitMs));
    }
    std::map<std::uint64_t, CLinkResult> byKey;
    for (const CLinkResult& each : checker.Results())
        byKey[each.m_key] = each;
    return byKey;
}

// A port nobody listens on: one that was just free.
quint16 RefusedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

const char* Name(ELinkState state) {
    switch (state) {
    case ELinkState::Fine:
        return "fine";
    case ELinkState::Gone:
        return "gone";
    case ELinkState::Moved:
        return "moved";
    case ELinkState::Failing:
        return "failing";
    }
    return "?";
}

} // namespace

// Every kind of answer the local server gives, checked in one run, against
// the classification the review list shows.
TEST(LinkCheckerTest, classifiesEveryKindOfAnswer) {
    CLocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    const std::string base = server.Base().toStdString();
    QTemporaryDir folder;
    const std::string there = folder.path().toStdString();
    struct CCase {
        const char* m_what;
        std::string m_target;
        ELinkState m_state;
        std::string m_movedTo;
    };
    const std::vector<CCase> cases = {
        {"200", base + "/ok", ELinkState::Fine, ""},
        {"301 to another path", base + "/perm301/a", ELinkState::Moved, base + "/ok/a"},
        {"308 to another path", base + "/perm308/b", ELinkState::Moved, base + "/ok/b"},
        {"302 is temporary", base + "/temp302/c", ELinkState::Fine, ""},
        {"404", base + "/missing", ELinkState::Gone, ""},
        {"410", base + "/gone", ELinkState::Gone, ""},
        {"503", base + "/error", ELinkState::Failing, ""},
        {"405 on HEAD, 200 on GET", base + "/nohead", ELinkState::Fine, ""},
        {"redirect loop", base + "/loop-a", ELinkState::Failing, ""},
        {"no answer", base + "/hang", ELinkState::Failing, ""},
        {"refused port", "http://127.0.0.1:" + std::to_string(RefusedPort()) + "/",
         ELinkState::Failing, ""},
        {"name under .invalid", "http://no-such-host.invalid/", ELinkState::Gone, ""},
        {"not a valid address", "http://exa mple.org:99999/", ELinkState::Failing, ""},
        {"a folder that is there", there, ELinkState::Fine, ""},
        {"a file URL that is not", "file://" + there + "/missing.txt", ELinkState::Gone, ""},
    };
    std::vector<CLinkJob> jobs;
    for (std::size_t i = 0; i < cases.size(); ++i)
        jobs.push_back({i + 1, cases[i].m_target});
    jobs.push_back({99, "mailto:someone@example.org"}); // not checked at all

    CLinkChecker::COptions options;
    options.m_timeoutMs = 700;
    CLinkChecker checker(options);
    const auto results = RunCheck(checker, jobs);
    EXPECT_FALSE(checker.NoNetwork());
    EXPECT_EQ(checker.Total(), int(cases.size()));
    EXPECT_EQ(results.count(99), 0u);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].m_what);
        const auto it = results.find(i + 1);
        ASSERT_NE(it, results.end());
        EXPECT_STREQ(Name(it->second.m_state), Name(cases[i].m_state))
            << it->second.m_note.toStdString();
        EXPECT_EQ(it->second.m_movedTo.toStdString(), cases[i].m_movedTo);
        if (cases[i].m_state != ELinkState::Fine && cases[i].m_state != ELinkState::Moved) {
            EXPECT_FALSE(it->second.m_note.isEmpty());
        }
    }
}

// A GET (the server refuses HEAD) stops once the headers are in: the 10 MB
// body is never waited for, and the server never gets to send its rest.
TEST(LinkCheckerTest, readsNoBodyBeyondTheHeaders) {
    CLocalHttpServer server;
    CLinkChecker checker;
    QElapsedTimer clock;
    clock.start();
    const auto results = RunCheck(checker, {{1, server.Base().toStdString() + "/big"}});
    EXPECT_LT(clock.elapsed(), 1500);
    ASSERT_EQ(results.count(1), 1u);
    EXPECT_EQ(results.at(1).m_state, ELinkState::Fine);
    EXPECT_EQ(results.at(1).m_httpStatus, 200);
    QTest::qWait(2300); // past the server's pause: the client has gone
    EXPECT_EQ(server.BodyBytesSent(), CLocalHttpServer::BIG_FIRST);
}

// Thirty addresses on each of two host names: never more than two requests
// at once to one host, yet both hosts served at the same time.
TEST(LinkCheckerTest, keepsToTheLimitPerHost) {
    CLocalHttpServer server(60);
    std::vector<CLinkJob> jobs;
    for (std::uint64_t i = 0; i < 60; ++i)
        jobs.push_back(
            {i, (i % 2 ? server.Base("127.0.0.1") : server.Base("localhost")).toStdString() +
                    "/slow/" + std::to_string(i)});
    CLinkChecker checker;
    const auto results = RunCheck(checker, jobs);
    ASSERT_EQ(results.size(), 60u);
    for (const auto& [key, result] : results)
        EXPECT_EQ(result.m_state, ELinkState::Fine) << result.m_note.toStdString();
    EXPECT_EQ(server.MaxInFlight("127.0.0.1"), 2);
    EXPECT_EQ(server.MaxInFlight("localhost"), 2);
    EXPECT_EQ(server.MaxInFlightAll(), 4);
}

// When no web address reaches any server, the check gives one note instead
// of a row for each (and takes no file for gone on that account).
TEST(LinkCheckerTest, noNetworkGivesOneNote) {
    QTemporaryDir folder;
    std::vector<CLinkJob> jobs;
    const quint16 refused = RefusedPort();
    for (std::uint64_t i = 0; i < 50; ++i)
        jobs.push_back(
            {i, i % 2 ? "http://host" + std::to_string(i) + ".invalid/"
                      : "http://127.0.0.1:" + std::to_string(refused) + "/" + std::to_string(i)});
    jobs.push_back({100, folder.path().toStdString() + "/missing"});
    CLinkChecker checker;
    const auto results = RunCheck(checker, jobs);
    EXPECT_TRUE(checker.NoNetwork());
    EXPECT_EQ(checker.WebCount(), 50);
    ASSERT_EQ(results.size(), 1u); // the local one only
    EXPECT_EQ(results.at(100).m_state, ELinkState::Gone);
}

TEST(LinkCheckerTest, cancelStopsEveryRequest) {
    CLocalHttpServer server;
    std::vector<CLinkJob> jobs;
    for (std::uint64_t i = 0; i < 20; ++i)
        jobs.push_back({i, server.Base().toStdString() + "/hang/" + std::to_string(i)});
    CLinkChecker checker;
    QSignalSpy done(&checker, &CLinkChecker::Finished);
    checker.Start(jobs);
    QTest::qWait(200);
    checker.Cancel();
    EXPECT_FALSE(checker.IsRunning());
    QTest::qWait(200);
    EXPECT_TRUE(done.isEmpty());
    EXPECT_TRUE(checker.Results().empty());
}
