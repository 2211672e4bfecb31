#pragma once

// main() of the window benchmark programs (apart from BenchWindow.h: Google Benchmark's header
// needs its library linked, which the start-up probes are not).

#include <QApplication>

#include <benchmark/benchmark.h>

#include <functional>

#include "bench/BenchWindow.h"

namespace velmora::bench {

/// main() of a window benchmark program: the offscreen platform, Google Benchmark's arguments,
/// the application, the benchmarks; `beforeTheApplicationEnds` lets go of what a benchmark kept
/// between its runs (windows must go before the application does).
inline int runWindowBenchmarks(int argc, char **argv, const std::function<void()> &beforeTheApplicationEnds = {})
{
    useOffscreenPlatform();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (beforeTheApplicationEnds)
        beforeTheApplicationEnds();
    benchmark::Shutdown();
    return 0;
}

} // namespace velmora::bench
