// SPDX-License-Identifier: MIT
// Tidying a collection.
//
// CheckLinks/10000: the link check of 10,000 addresses on eight local host
// names (127.0.0.1 to 127.0.0.8, one server answering at once) against
// PlainRequests/10000: the same number of plain HEAD requests through
// QNetworkAccessManager, at most as many at once as the checker makes
// (8). Goal: within 1.2x. Also the heap the checker holds per checked entry
// once the check is done (its results and bookkeeping).
//
// FindDuplicates/100000: the duplicate finder over 100,000 addresses (one in
// ten a variant of another in case, port or trailing slash) against
// HashAddresses/100000: one pass putting every address as it is into a hash
// table. Goal: within 3x.

#include "BenchReporter.h"
#include "check/Duplicates.h"
#include "check/LinkChecker.h"
#include "fakes/LocalHttpServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <string_view>
#include <unordered_map>

namespace {

constexpr int HOSTS = 8;
constexpr int AT_ONCE = 8;

CLocalHttpServer& Server() {
    static CLocalHttpServer server(0);
    return server;
}

std::vector<std::string> Addresses(int n) {
    std::vector<std::string> out;
    out.reserve(std::size_t(n));
    const std::string port = std::to_string(Server().Port());
    for (int i = 0; i < n; ++i)
        out.push_back("http://127.0.0." + std::to_string(1 + i % HOSTS) + ":" + port + "/ok/" +
                      std::to_string(i));
    return out;
}

void CheckLinks(benchmark::State& state) {
    const std::vector<std::string> addresses = Addresses(int(state.range(0)));
    std::vector<CLinkJob> jobs;
    for (std::size_t i = 0; i < addresses.size(); ++i)
        jobs.push_back({i, addresses[i]});
    CLinkChecker::COptions options;
    options.m_concurrency = AT_ONCE;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        CLinkChecker checker(options);
        QEventLoop loop;
        QObject::connect(&checker, &CLinkChecker::Finished, &loop, &QEventLoop::quit);
        checker.Start(jobs);
        if (checker.IsRunning())
            loop.exec();
        bytes = HeapInUse() - before;
        if (checker.Results().size() != jobs.size())
            state.SkipWithError("not every address was checked");
    }
    state.counters["bytes_per_entry"] = double(bytes) / double(jobs.size());
}

void PlainRequests(benchmark::State& state) {
    const std::vector<std::string> addresses = Addresses(int(state.range(0)));
    for (auto _ : state) {
        QNetworkAccessManager net;
        QEventLoop loop;
        std::size_t next = 0;
        std::size_t done = 0;
        std::function<void()> send = [&] {
            QNetworkReply* reply =
                net.head(QNetworkRequest(QUrl(QString::fromStdString(addresses[next++]))));
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply] {
                reply->deleteLater();
                if (++done == addresses.size())
                    loop.quit();
                else if (next < addresses.size())
                    send();
            });
        };
        for (int i = 0; i < AT_ONCE && next < addresses.size(); ++i)
            send();
        loop.exec();
    }
}

std::vector<std::string> Collection(int n) {
    std::vector<std::string> out;
    out.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        const int page = i % 10 == 9 ? i - 9 : i; // every tenth one a variant
        std::string address = "https://site" + std::to_string(page % 997) +
                              ".example.org/articles/" + std::to_string(page) + "/index.html";
        if (i % 10 == 9)
            address = "HTTPS://Site" + std::to_string(page % 997) + ".example.org:443/articles/" +
                      std::to_string(page) + "/index.html";
        out.push_back(std::move(address));
    }
    return out;
}

void FindDuplicates(benchmark::State& state) {
    const std::vector<std::string> collection = Collection(int(state.range(0)));
    const std::vector<std::string_view> targets(collection.begin(), collection.end());
    std::size_t groups = 0;
    for (auto _ : state) {
        groups = FindDuplicateGroups(targets).size();
        benchmark::DoNotOptimize(groups);
    }
    state.counters["groups"] = double(groups);
}

void HashAddresses(benchmark::State& state) {
    const std::vector<std::string> collection = Collection(int(state.range(0)));
    for (auto _ : state) {
        std::unordered_map<std::string_view, std::size_t> seen;
        seen.reserve(collection.size());
        for (std::size_t i = 0; i < collection.size(); ++i)
            seen.try_emplace(collection[i], i);
        benchmark::DoNotOptimize(seen.size());
    }
}

BENCHMARK(PlainRequests)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(CheckLinks)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(HashAddresses)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(FindDuplicates)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    CBenchReporter reporter(CBenchReporter::ETime::Real);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (real time):\n");
    reporter.PrintRatio("CheckLinks/10000/iterations:3/real_time",
                        "PlainRequests/10000/iterations:3/real_time",
                        "check 10,000 links / plain requests (goal 1.2x)");
    reporter.PrintRatio("FindDuplicates/100000", "HashAddresses/100000",
                        "duplicates in 100,000 / hashing them (goal 3x)");
    benchmark::Shutdown();
    return 0;
}
