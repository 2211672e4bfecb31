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

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "app/FrmMain.h"
#include "bench/BenchData.h"
#include "bench/BenchWindow.h"
#include "sample-site/SampleSite.h"

using namespace velmora;

namespace {

constexpr std::size_t manyHits = 10'000;

struct SiteProcess {
    pid_t pid = -1;
    int holdOpen = -1; // the site runs until this end of its pipe is closed
    int port = 0;
    long pageBytes = 0;
};

// Forks the site serving generatedCatalog(manyHits) on loopback. Must run before this process
// starts any thread.
SiteProcess startSiteProcess()
{
    int report[2];
    int hold[2];
    if (pipe(report) != 0 || pipe(hold) != 0)
        return {};
    SiteProcess site;
    site.pid = fork();
    if (site.pid == 0) {
        close(report[0]);
        close(hold[1]);
        const site::Catalog &catalog = bench::generatedCatalog(manyHits);
        site::LocalSampleSite server(catalog);
        const std::string host = "127.0.0.1:" + std::to_string(server.port());
        const std::size_t pageBytes =
            site::SampleSite(catalog).answer("POST", bench::searchTarget(), host).body.size();
        const std::string line = std::to_string(server.port()) + " " + std::to_string(pageBytes) + "\n";
        if (write(report[1], line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            _exit(1);
        close(report[1]);
        char byte;
        while (read(hold[0], &byte, 1) > 0) {
        }
        return site; // only the parent's copy is used; the child ends below
    }
    close(report[1]);
    close(hold[0]);
    site.holdOpen = hold[1];
    char line[64] = {};
    std::size_t got = 0;
    while (got + 1 < sizeof line) {
        const ssize_t n = read(report[0], line + got, sizeof line - 1 - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
        if (line[got - 1] == '\n')
            break;
    }
    close(report[0]);
    if (std::sscanf(line, "%d %ld", &site.port, &site.pageBytes) != 2)
        site.port = 0;
    return site;
}

void stopSiteProcess(const SiteProcess &site)
{
    if (site.holdOpen >= 0)
        close(site.holdOpen);
    if (site.pid > 0)
        waitpid(site.pid, nullptr, 0);
}

struct Measured {
    const SiteProcess *site = nullptr;
    FrmMain *window = nullptr;
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
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const bench::ResidentMemory after = bench::residentMemory();
    const double pageBytes = static_cast<double>(measured.site->pageBytes);
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
    const SiteProcess site = startSiteProcess();
    if (site.pid == 0)
        _exit(0); // the site's process, after its parent closed the pipe
    if (site.port <= 0) {
        std::fputs("velmora_bench_memory: the site process did not start\n", stderr);
        stopSiteProcess(site);
        return 1;
    }

    bench::useOffscreenPlatform();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        stopSiteProcess(site);
        return 1;
    }
    int status = 0;
    {
        QApplication app(argc, argv);
        FrmMain window(QStringLiteral("http://127.0.0.1:%1").arg(site.port));
        window.show();
        if (!bench::waitUntilShown(window)) {
            status = 1;
        } else {
            measured = {&site, &window, bench::residentMemory().peakKiB};
            benchmark::RunSpecifiedBenchmarks();
        }
        measured = {};
    }
    benchmark::Shutdown();
    stopSiteProcess(site);
    return status;
}
