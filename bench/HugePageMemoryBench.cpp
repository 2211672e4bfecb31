// Memory around a hostile result page: 32 MiB of nothing but row markers (within the body limit),
// which lists millions of empty hits, then a search that lists one. In a fresh process: the
// resident memory of the idle program (window on screen), the peak of the huge search, and what
// stays resident after the next search has replaced the list. The site runs in a child process,
// so its page is not counted here.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <httplib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/FrmMain.h"
#include "bench/BenchData.h"
#include "bench/BenchWindow.h"
#include "itemdb/URLEncode.h"

using namespace velmora;

namespace {

constexpr std::string_view rowMarker = "spacing:-1px;'>";
constexpr std::size_t bodyLimit = 32u * 1024u * 1024u;
const std::u16string hugeTerm = u"huge";
const std::u16string smallTerm = u"one";

struct SiteProcess {
    pid_t pid = -1;
    int holdOpen = -1; // the site runs until this end of its pipe is closed
    int port = 0;
};

// Forks a site whose search for hugeTerm answers with the page of row markers and any other
// search with a page of one hit. Must run before this process starts any thread.
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
        std::string huge;
        for (std::size_t n = bodyLimit / rowMarker.size(); n > 0; --n)
            huge += rowMarker;
        const std::string one = "<tr><td class=\"left itemname\"><a href = \"http://127.0.0.1:1/d?code=1\">"
                                "<span style='letter-spacing:-1px;'>하나</span></a></td><td>1</td><td>반지</td></tr>";
        const std::string hugeQuery = "sname=" + URLEncode(hugeTerm);
        httplib::Server server;
        server.Post("/dataninfo/item/list.php", [&](const httplib::Request &request, httplib::Response &response) {
            const bool wantsHuge = request.target.find(hugeQuery) != std::string::npos;
            response.set_content(wantsHuge ? huge : one, "text/html; charset=utf-8");
        });
        const int port = server.bind_to_any_port("127.0.0.1");
        const std::string line = std::to_string(port) + "\n";
        std::thread serving([&server] { server.listen_after_bind(); });
        if (write(report[1], line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            _exit(1);
        close(report[1]);
        char byte;
        while (read(hold[0], &byte, 1) > 0) {
        }
        server.stop();
        serving.join();
        _exit(0);
    }
    close(report[1]);
    close(hold[0]);
    site.holdOpen = hold[1];
    char line[32] = {};
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
    if (std::sscanf(line, "%d", &site.port) != 1)
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

FrmMain *shownWindow = nullptr;

void searchFor(FrmMain &window, const std::u16string &term)
{
    bench::child<QLineEdit>(window, "txtSearch")->setText(QString::fromStdU16String(term));
    QTest::mouseClick(bench::child<QPushButton>(window, "cmdSearch"), Qt::LeftButton);
    QCoreApplication::processEvents();
}

void HugePageMemory(benchmark::State &state)
{
    FrmMain &window = *shownWindow;
    // Looked up after each search: the list that held a huge page is replaced by a new one.
    const auto rows = [&window] { return bench::child<QTreeWidget>(window, "LV1")->topLevelItemCount(); };
    const long idleKiB = bench::residentMemory().currentKiB;
    int hugeRows = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        searchFor(window, hugeTerm);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        hugeRows = rows();
    }
    const long peakKiB = bench::residentMemory().peakKiB;
    searchFor(window, smallTerm);
    const long afterKiB = bench::residentMemory().currentKiB;
    state.counters["huge_rows"] = hugeRows;
    state.counters["idle_rss_kib"] = static_cast<double>(idleKiB);
    state.counters["huge_peak_kib"] = static_cast<double>(peakKiB);
    state.counters["after_rss_kib"] = static_cast<double>(afterKiB);
    state.counters["after_over_idle_mib"] = static_cast<double>(afterKiB - idleKiB) / 1024.0;
    if (hugeRows != static_cast<int>(bodyLimit / rowMarker.size()) || rows() != 1)
        state.SkipWithError("the searches did not list every hit");
}
// One huge search only: a second would start from the first one's peak.
BENCHMARK(HugePageMemory)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    const SiteProcess site = startSiteProcess();
    if (site.port <= 0) {
        std::fputs("velmora_bench_memory_huge: the site process did not start\n", stderr);
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
            shownWindow = &window;
            benchmark::RunSpecifiedBenchmarks();
        }
        shownWindow = nullptr;
    }
    benchmark::Shutdown();
    stopSiteProcess(site);
    return status;
}
