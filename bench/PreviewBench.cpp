// Previewing a hit (Space on LV1), offscreen, against the sample site on loopback with a counter
// of the requests it answers: a preview served from what the session keeps, over a 1,000-row
// equipment list, and a preview that fetches, beside the same two requests made with the
// program's request object alone.

#include <benchmark/benchmark.h>

#include <httplib.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/FrmMain.h"
#include "app/ItemSearch.h"
#include "bench/BenchData.h"
#include "bench/BenchMain.h"
#include "bench/BenchWindow.h"
#include "bench/CountingSite.h"
#include "itemdb/HttpRequester.h"
#include "itemdb/ItemDatabase.h"
#include "itemdb/ItemPage.h"
#include "sample-site/SampleSite.h"

using namespace velmora;
using bench::child;
using bench::CountingSite;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Hits listed by the search every preview benchmark starts from. With twelve grades each, a
// cycle through them asks for 12,000 fetches before one comes round again, far more than the
// session keeps, so a fetching preview never meets an item it kept.
constexpr std::size_t listedHits = 1'000;
constexpr int grades = 12;

CountingSite &countingSite()
{
    static CountingSite site(listedHits);
    return site;
}

// The window before each timed step: events handled and everything painted, as the screen is
// before a player presses a key. The request floor starts from the same state.
void settle(QWidget &window)
{
    QCoreApplication::processEvents();
    window.repaint();
}

// The window on screen with the hits of a search for the common term in LV1, `rows` rows pasted
// into LV2 (Ctrl+V, the tab-separated lines of a copied list), and a grade chosen.
struct PreviewWindow {
    std::unique_ptr<FrmMain> window;
    QTreeWidget *lv1 = nullptr;
    QComboBox *cr1 = nullptr;

    PreviewWindow(const std::string &siteBase, std::size_t rows)
    {
        // A data folder per window: each starts with an empty list, not with the working set
        // the one before it left.
        static int windows = 0;
        bench::useDataFolders(bench::useTemporaryDataFolders() + QStringLiteral("/preview-%1").arg(++windows));
        window = std::make_unique<FrmMain>(QString::fromStdString(siteBase));
        window->show();
        if (!bench::waitUntilShown(*window))
            throw std::runtime_error("the window did not come on screen");

        child<QLineEdit>(*window, "txtSearch")->setText(QString::fromStdU16String(std::u16string(bench::commonTerm)));
        QTest::mouseClick(child<QPushButton>(*window, "cmdSearch"), Qt::LeftButton);
        lv1 = child<QTreeWidget>(*window, "LV1");
        if (lv1->topLevelItemCount() != static_cast<int>(listedHits))
            throw std::runtime_error("the search did not list every hit");

        if (rows > 0) {
            bench::pasteRows(*window, rows);
        }
        if (child<QTreeWidget>(*window, "LV2")->topLevelItemCount() != static_cast<int>(rows))
            throw std::runtime_error("the paste did not fill the equipment list");

        cr1 = child<QComboBox>(*window, "cr1");
        if (cr1->count() != grades)
            throw std::runtime_error("cr1 does not list the twelve grades");
    }

    // Selects hit `hit` and grade `grade` (0…11) and empties the status bar, outside any timing.
    void choose(int hit, int grade)
    {
        lv1->clearSelection();
        lv1->setCurrentItem(lv1->topLevelItem(hit));
        cr1->setCurrentIndex(grade);
        window->statusBar()->clearMessage();
        settle(*window);
    }

    // Space on LV1, as the player presses it; returns the status text it left.
    QString preview()
    {
        QTest::keyClick(lv1, Qt::Key_Space);
        return window->statusBar()->currentMessage();
    }
};

bool isPreview(const QString &status) { return status.startsWith(QStringLiteral("미리보기 ")) && !status.contains(QStringLiteral("실패")); }

// The hit every kept preview shows: one whose kind the pasted list holds, so that the preview
// works out the replacement too, as it does for most items a player looks at.
int hitWithKindInList(const PreviewWindow &shown, std::size_t rows)
{
    const EquipmentSetData set = bench::workingSet(rows);
    for (int i = 0; i < shown.lv1->topLevelItemCount(); ++i)
        for (const SetRow &row : set.rows)
            if (shown.lv1->topLevelItem(i)->text(1).toStdString() == row.row.kind)
                return i;
    throw std::runtime_error("no hit of a kind the list holds");
}

// The window of the kept previews, made on first use and shared by their repetitions: the hit
// previewed once, so that the keep holds it, and the status text that preview left.
struct KeptPreview {
    static constexpr std::size_t rows = 1'000;
    static constexpr int grade = 5; // 영웅
    PreviewWindow shown;
    int hit = 0;
    QString expected;
    std::int64_t requests = 0; // the site's count once the hit was kept

    KeptPreview() : shown(countingSite().base(), rows), hit(hitWithKindInList(shown, rows))
    {
        shown.choose(hit, grade);
        const std::int64_t before = countingSite().requests();
        expected = shown.preview();
        if (!isPreview(expected) || countingSite().requests() != before + 2)
            throw std::runtime_error("the first preview did not fetch: " + expected.toStdString());
        // The hit is of a kind the list holds: the preview works out the replacement as well.
        if (!expected.contains(QStringLiteral(" 대신: ")))
            throw std::runtime_error("the preview names no row it would replace");
        requests = countingSite().requests();
    }
};
std::unique_ptr<KeptPreview> keptPreview; // ended in main(), before the application

// A preview served from the session keep over 1,000 equipment rows: one Space on LV1 per
// repetition, timed until the status bar holds the preview's text or, `untilPainted`, until the
// window has repainted too, so that the median is the median of single presses. The timed
// previews must send no request.
void previewFromKeep(benchmark::State &state, bool untilPainted)
{
    if (!keptPreview)
        keptPreview = std::make_unique<KeptPreview>();
    KeptPreview &kept = *keptPreview;
    for (auto _ : state) {
        kept.shown.choose(kept.hit, KeptPreview::grade);
        const auto start = Clock::now();
        const QString status = kept.shown.preview();
        if (untilPainted)
            QCoreApplication::processEvents();
        state.SetIterationTime(secondsSince(start));
        if (status != kept.expected) {
            state.SkipWithError(("the preview said something else: " + status.toStdString()).c_str());
            break;
        }
    }
    if (countingSite().requests() != kept.requests)
        state.SkipWithError("a preview served from the keep sent a request");
}
void PreviewKept1000(benchmark::State &state) { previewFromKeep(state, false); }
void PreviewKept1000UntilPainted(benchmark::State &state) { previewFromKeep(state, true); }
BENCHMARK(PreviewKept1000)
    ->Iterations(1)
    ->Repetitions(201)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PreviewKept1000UntilPainted)
    ->Iterations(1)
    ->Repetitions(201)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A preview that fetches: each timed Space is on a hit and grade the session has not fetched
// (hits in order, each at every grade in turn), so it makes both requests, then works out the
// preview over `state.range(0)` equipment rows. `kept`: the same preview of one hit already
// kept, for what the key press costs besides the fetch (its mean, not a median of single
// presses as the 1,000-row figure).
void preview(benchmark::State &state, bool kept)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    CountingSite &site = countingSite();
    PreviewWindow shown(site.base(), rows);
    if (kept) {
        shown.choose(0, 0);
        if (!isPreview(shown.preview()))
            throw std::runtime_error("the first preview failed");
    }
    std::int64_t k = 0;
    for (auto _ : state) {
        const int hit = kept ? 0 : static_cast<int>((k / grades) % static_cast<std::int64_t>(listedHits));
        const int grade = kept ? 0 : static_cast<int>(k % grades);
        ++k;
        shown.choose(hit, grade);
        const std::int64_t before = site.requests();
        const auto start = Clock::now();
        const QString status = shown.preview();
        state.SetIterationTime(secondsSince(start));
        if (!isPreview(status)) {
            state.SkipWithError(("the preview failed: " + status.toStdString()).c_str());
            break;
        }
        if (site.requests() != before + (kept ? 0 : 2)) {
            state.SkipWithError(kept ? "a kept preview sent a request" : "a timed preview did not make its two requests");
            break;
        }
    }
}
void PreviewFetched(benchmark::State &state) { preview(state, false); }
void PreviewKept(benchmark::State &state) { preview(state, true); }
BENCHMARK(PreviewFetched)->Arg(10)->Arg(1'000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(PreviewKept)->Arg(10)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The floor of a fetching preview: the same two requests, the item page GET and the tooltip
// page GET, made bare with the program's request object on the calling thread, cycling through
// the same catalog's items at every grade in the same way. The tooltip addresses are the ones
// the item pages link to, cut beforehand from the pages as the site serves them.
void BareItemFetch(benchmark::State &state)
{
    CountingSite &site = countingSite();
    std::vector<std::string> itemAddresses;
    std::vector<std::string> tooltipAddresses;
    for (const site::CatalogItem &item : site.catalog().items()) {
        const std::string target = std::string(site::itemPagePath) + "?code=" + std::to_string(item.code);
        const std::string page = site.site().answer("GET", target, site.host()).body;
        itemAddresses.push_back(site.base() + target);
        for (int grade = 1; grade <= grades; ++grade) {
            const std::optional<std::string> tooltip = tooltipAddress(page, grade);
            if (!tooltip)
                throw std::runtime_error("an item page lacks a grade link");
            tooltipAddresses.push_back(*tooltip);
        }
    }
    HttpRequester requester;
    const auto window = std::make_unique<FrmMain>(QStringLiteral("http://127.0.0.1:9"));
    window->show();
    if (!bench::waitUntilShown(*window))
        throw std::runtime_error("the window did not come on screen");
    std::size_t k = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::size_t item = (k / grades) % itemAddresses.size();
        const std::string &tooltip = tooltipAddresses[item * grades + k % grades];
        ++k;
        settle(*window);
        const auto start = Clock::now();
        const bool pageCame = requester.open("GET", itemAddresses[item]) && requester.send();
        const std::optional<std::string> page = requester.takeResponseText();
        const bool tooltipCame = requester.open("GET", tooltip) && requester.send();
        const std::optional<std::string> text = requester.takeResponseText();
        state.SetIterationTime(secondsSince(start));
        if (!pageCame || !tooltipCame || !page || !text) {
            state.SkipWithError("a bare request failed");
            break;
        }
        bytes = page->size() + text->size();
    }
    state.counters["bytes_per_fetch"] = static_cast<double>(bytes);
}
BENCHMARK(BareItemFetch)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Where a fetching preview's time goes beyond its floor, step by step over the same items and
// grades: the program's fetch alone on the calling thread (both requests, decoding, cutting the
// grade link and the stat text), then the same fetch as the window makes it, on its network
// thread while the window's thread waits, with no key and no preview around it.
void itemFetchSteps(benchmark::State &state, bool windowWay)
{
    CountingSite &site = countingSite();
    std::vector<std::string> itemAddresses;
    for (const site::CatalogItem &item : site.catalog().items())
        itemAddresses.push_back(site.base() + std::string(site::itemPagePath) + "?code=" + std::to_string(item.code));
    HttpRequester requester;
    const auto window = std::make_unique<FrmMain>(QStringLiteral("http://127.0.0.1:9"));
    window->show();
    if (!bench::waitUntilShown(*window))
        throw std::runtime_error("the window did not come on screen");
    QWidget client;
    ItemSearch search(&client, QString::fromStdString(site.base()), RequestLimits{}, [](QTreeWidget *) {});
    std::size_t k = 0;
    for (auto _ : state) {
        const std::string &address = itemAddresses[(k / grades) % itemAddresses.size()];
        const int grade = static_cast<int>(k % grades) + 1;
        ++k;
        settle(*window);
        const std::int64_t before = site.requests();
        const auto start = Clock::now();
        const Outcome<ItemStats, ItemFetchFailure> stats =
            windowWay ? search.fetchStats(address, grade) : fetchItemStats(requester, address, grade);
        state.SetIterationTime(secondsSince(start));
        if (!stats || stats.value().statText.empty() || site.requests() != before + 2) {
            state.SkipWithError("the fetch did not make its two requests and cut the stats");
            break;
        }
    }
}
void ItemFetchRequest(benchmark::State &state) { itemFetchSteps(state, false); }
void ItemFetchWindowWay(benchmark::State &state) { itemFetchSteps(state, true); }
BENCHMARK(ItemFetchRequest)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(ItemFetchWindowWay)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv, [] { keptPreview.reset(); });
}
