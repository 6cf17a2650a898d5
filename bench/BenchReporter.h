// SPDX-License-Identifier: MIT
#pragma once

// What every benchmark's summary needs: each run's time per iteration, kept by
// run name ("Name/arg", with "/manual_time" when the case times itself), so
// that main can print ratios to a reference measured in the same run; and the
// heap in use, for the memory figures.

#include <benchmark/benchmark.h>
#include <cstddef>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Prints the usual console table and keeps the CPU and the real time (manual
// time counts as real) of every run that completed, in seconds; the summary
// uses the one given unless it asks for the other. CPU time is steadier on a
// shared machine; real time is for cases that wait on events.
class CBenchReporter final : public benchmark::ConsoleReporter {
public:
    enum class ETime { Cpu, Real };

    explicit CBenchReporter(ETime time) : m_time(time) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations <= 0)
                continue;
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            m_cpuSeconds[run.benchmark_name()] = run.GetAdjustedCPUTime() / unit;
            m_realSeconds[run.benchmark_name()] = run.GetAdjustedRealTime() / unit;
        }
    }

    // Seconds per iteration of the named run, if it completed, in the time
    // the reporter keeps or in the one asked for.
    std::optional<double> Seconds(const std::string& name) const { return Seconds(name, m_time); }
    std::optional<double> Seconds(const std::string& name, ETime time) const {
        const auto& seconds = time == ETime::Cpu ? m_cpuSeconds : m_realSeconds;
        const auto it = seconds.find(name);
        if (it == seconds.end())
            return std::nullopt;
        return it->second;
    }

    // measured / reference, if both completed and the reference took any time.
    std::optional<double> Ratio(const std::string& measured, const std::string& reference) const {
        return Ratio(measured, reference, m_time);
    }
    std::optional<double> Ratio(const std::string& measured, const std::string& reference,
                                ETime time) const {
        const std::optional<double> m = Seconds(measured, time);
        const std::optional<double> r = Seconds(reference, time);
        if (!m || !r || *r <= 0)
            return std::nullopt;
        return *m / *r;
    }

    // Prints "<what>  <ratio>x" when Ratio has one.
    void PrintRatio(const std::string& measured, const std::string& reference,
                    const char* what) const {
        if (const std::optional<double> ratio = Ratio(measured, reference))
            std::printf("%-58s %7.2fx\n", what, *ratio);
    }

private:
    ETime m_time;
    std::map<std::string, double> m_cpuSeconds;
    std::map<std::string, double> m_realSeconds;
};

// Bytes the allocator has handed out and not taken back.
inline std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}
