#pragma once

// main() of the window benchmark programs, and what they share to set a window up (apart from
// BenchWindow.h: Google Benchmark's header needs its library linked, which the start-up probes
// are not).

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <functional>

#include "bench/BenchData.h"
#include "bench/BenchWindow.h"

namespace velmora::bench {

/// Pastes the first `rows` rows of the benchmarks' working set into `window`'s equipment list, as
/// a player pastes rows copied from a spreadsheet (Ctrl+V on LV2).
inline void pasteRows(QWidget &window, std::size_t rows)
{
    QString lines;
    for (const SetRow &row : workingSet(rows).rows)
        lines += QStringLiteral("%1\t%2\t%3\t%4\n")
                     .arg(QString::fromStdString(row.row.itemName), QString::fromStdString(row.row.kind),
                          QString::fromStdString(row.row.statText), QString::fromStdString(row.row.grade));
    QGuiApplication::clipboard()->setText(lines);
    QTest::keyClick(child<QTreeWidget>(window, "LV2"), Qt::Key_V, Qt::ControlModifier);
}

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
