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

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/FrmMain.h"
#include "bench/BenchData.h"
#include "bench/BenchWindow.h"
#include "bench/SiteProcess.h"
#include "itemdb/URLEncode.h"

using namespace velmora;

namespace {

constexpr std::string_view rowMarker = "spacing:-1px;'>";
constexpr std::size_t bodyLimit = 32u * 1024u * 1024u;
const std::u16string hugeTerm = u"huge";
const std::u16string smallTerm = u"one";

// The site, in the child process: a search for hugeTerm gets the page of row markers, any
// other search a page of one hit.
void serveHugeAndSmallPages(const bench::SiteChild &child)
{
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
    std::thread serving([&server] { server.listen_after_bind(); });
    child.ready(port);
    child.waitForParent();
    server.stop();
    serving.join();
}

FrmMain *shownWindow = nullptr;

void searchFor(FrmMain &window, const std::u16string &term)
{
    bench::child<QLineEdit>(window, "txtSearch")->setText(QString::fromStdU16String(term));
    auto *button = bench::child<QPushButton>(window, "cmdSearch");
    bench::inEventLoop([button] { QTest::mouseClick(button, Qt::LeftButton); });
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
    // LV1 and LV2, and no replaced result list still waiting to be destroyed: the figure after
    // the 1-hit search is the one the program reaches once its event loop has turned.
    else if (window.findChildren<QTreeWidget *>().size() != 2)
        state.SkipWithError("the replaced result list was not destroyed");
}
// One huge search only: a second would start from the first one's peak.
BENCHMARK(HugePageMemory)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::runOnForkedSite(argc, argv, "velmora_bench_memory_huge", serveHugeAndSmallPages,
                                  [](FrmMain *window, const bench::SiteProcess &) { shownWindow = window; });
}
