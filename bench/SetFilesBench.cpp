// Keeping the working set: the write that follows every change of the list or a bonus, of a set
// of 1,000 rows, as the window does it (setData, then writeSetFileAt: a temporary file, flushed
// to disk, renamed over the old one), and its parts. The file lives in a temporary data folder,
// on the same disk as the system's temporary folder.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "app/EquipmentSet.h"
#include "app/SetFiles.h"
#include "bench/BenchData.h"
#include "bench/BenchWindow.h"
#include "stats/SetFile.h"

using namespace velmora;

namespace {

constexpr std::size_t workingSetRows = 1'000;

// The equipment set of a window that holds 1,000 rows and three bonuses; made in main().
const EquipmentSet *kept = nullptr;

// One write of the working set, as the keeper makes it after a change. Run once per
// repetition, so that the median is the median of single writes (a flush to disk now and then
// takes much longer than the rest).
void WriteWorkingSet1000(benchmark::State &state)
{
    const EquipmentSet &set = *kept;
    const QString path = workingSetPath();
    for (auto _ : state) {
        const QString why = writeSetFileAt(path, setData(set), false);
        if (!why.isEmpty()) {
            state.SkipWithError(("the working set was not written: " + why.toStdString()).c_str());
            break;
        }
    }
    const std::int64_t bytes = QFile(path).size();
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(WriteWorkingSet1000)
    ->Iterations(1)
    ->Repetitions(201)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// Its text alone: setData and writeSetFile, no file.
void WorkingSetText1000(benchmark::State &state)
{
    const EquipmentSet &set = *kept;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = writeSetFile(setData(set));
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(WorkingSetText1000)->Unit(benchmark::kMicrosecond);

// Reading it back, as the window does at start: readSetFileAt of the file the write left.
void ReadWorkingSet1000(benchmark::State &state)
{
    const QString path = workingSetPath();
    if (!writeSetFileAt(path, setData(*kept), false).isEmpty())
        throw std::runtime_error("cannot write the working set");
    for (auto _ : state) {
        ReadSet read = readSetFileAt(path);
        if (!read.data || read.data->rows.size() != workingSetRows) {
            state.SkipWithError("the working set did not read back");
            break;
        }
        benchmark::DoNotOptimize(read.data->rows.data());
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(ReadWorkingSet1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    bench::useTemporaryDataFolders();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QCoreApplication app(argc, argv);
    EquipmentSet set;
    EquipmentSetData data = bench::workingSet(workingSetRows);
    set.restore(std::move(data.rows), data.bonuses, std::move(data.reference), data.weights);
    kept = &set;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
