// Peak resident memory of one search that lists 10,000 hits, in a fresh process: the idle program
// (QApplication and the window on screen) first, then after the search. The site runs in a child
// process, so that building its page is not counted here. It sends its pages uncompressed, so
// the figure is the program's own and not that of a decompressor's window.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/FrmMain.h"
#include "bench/BenchData.h"
#include "bench/BenchWindow.h"
#include "bench/SiteProcess.h"
#include "sample-site/SampleSite.h"

using namespace velmora;

namespace {

constexpr std::size_t manyHits = 10'000;

// The site serving generatedCatalog(manyHits), in the child process; it reports the size of its
// page for the common term beside its port.
void serveCatalog(const bench::SiteChild &child)
{
    const site::Catalog &catalog = bench::generatedCatalog(manyHits);
    site::LocalSampleSite server(catalog);
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    const std::size_t pageBytes = site::SampleSite(catalog).answer("POST", bench::searchTarget(), host).body.size();
    child.ready(server.port(), std::to_string(pageBytes));
    child.waitForParent();
}

struct Measured {
    FrmMain *window = nullptr;
    double pageBytes = 0;
    long idlePeakKiB = 0;
};
Measured measured;

// One search for the common term, a click on 검색하기, then the list laid out and painted.
void SearchPeakMemory(benchmark::State &state)
{
    FrmMain &window = *measured.window;
    auto *search = bench::child<QLineEdit>(window, "txtSearch");
    auto *button = bench::child<QPushButton>(window, "cmdSearch");
    auto *lv1 = bench::child<QTreeWidget>(window, "LV1");
    for (auto _ : state) {
        search->setText(QString::fromStdU16String(std::u16string(bench::commonTerm)));
        const auto start = std::chrono::steady_clock::now();
        bench::inEventLoop([button] { QTest::mouseClick(button, Qt::LeftButton); });
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const bench::ResidentMemory after = bench::residentMemory();
    const double pageBytes = measured.pageBytes;
    state.counters["rows"] = lv1->topLevelItemCount();
    state.counters["page_bytes"] = pageBytes;
    state.counters["idle_peak_kib"] = static_cast<double>(measured.idlePeakKiB);
    state.counters["search_peak_kib"] = static_cast<double>(after.peakKiB);
    state.counters["after_rss_kib"] = static_cast<double>(after.currentKiB);
    state.counters["peak_over_page"] = static_cast<double>(after.peakKiB - measured.idlePeakKiB) * 1024.0 / pageBytes;
    if (lv1->topLevelItemCount() != static_cast<int>(manyHits))
        state.SkipWithError("the search did not list every hit");
}
// One search only: the peak of a second one would hide under the first one's.
BENCHMARK(SearchPeakMemory)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::runOnForkedSite(argc, argv, "velmora_bench_memory", serveCatalog,
                                  [](FrmMain *window, const bench::SiteProcess &site) {
                                      measured = window ? Measured{window, std::atof(site.detail.c_str()),
                                                                   bench::residentMemory().peakKiB}
                                                        : Measured{};
                                  });
}
