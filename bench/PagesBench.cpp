// Cutting the site's pages, building stat texts, the expected-stat calculation and the search
// term's percent-encoding: the program's work that needs neither the window nor the network.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchData.h"
#include "itemdb/ItemPage.h"
#include "itemdb/SearchPage.h"
#include "itemdb/URLEncode.h"
#include "stats/ExpectedStats.h"

using namespace velmora;

namespace {

// The text that opens each hit of a result page.
constexpr std::string_view rowMarker = "spacing:-1px;'>";

void reportPage(benchmark::State &state, std::string_view page, std::size_t hits)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.counters["page_bytes"] = static_cast<double>(page.size());
    state.counters["hits"] = static_cast<double>(hits);
}

using Clock = std::chrono::steady_clock;

// Cutting a result page into its hits. What is timed is the cut, up to the returned rows; their
// destruction comes after the clock has stopped (it belongs to whoever drops them, and
// CutSearchPageAndDrop shows it).
void CutSearchPage(benchmark::State &state)
{
    const auto hits = static_cast<std::size_t>(state.range(0));
    const std::string &page = bench::searchResultPage(hits);
    for (auto _ : state) {
        const auto start = Clock::now();
        SearchHits rows = cutSearchPage(page);
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        state.SetIterationTime(elapsed.count());
        if (rows.size() != hits)
            state.SkipWithError("the page did not cut into the hits it holds");
    }
    reportPage(state, page, hits);
}

// The floor of cutting: one pass over the same page that only counts the row marker. Timed the
// same way as the cut, so that reading the clock weighs the same on both.
void CountRowMarkers(benchmark::State &state)
{
    const auto hits = static_cast<std::size_t>(state.range(0));
    const std::string_view page = bench::searchResultPage(hits);
    std::size_t count = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        count = 0;
        for (std::size_t at = page.find(rowMarker); at != std::string_view::npos;
             at = page.find(rowMarker, at + rowMarker.size()))
            ++count;
        benchmark::DoNotOptimize(count);
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        state.SetIterationTime(elapsed.count());
    }
    if (count != hits)
        state.SkipWithError("the page does not hold one row marker per hit");
    reportPage(state, page, hits);
}

// The part of the cut that no searching can save: making the hits of a 10,000-hit page (their
// one text and the field ends), copied here from hits cut beforehand. Timed like the cut.
void BuildRowsOnly(benchmark::State &state)
{
    const auto hits = static_cast<std::size_t>(state.range(0));
    const SearchHits cut = cutSearchPage(bench::searchResultPage(hits));
    for (auto _ : state) {
        const auto start = Clock::now();
        const SearchHits rows = cut;
        benchmark::DoNotOptimize(&rows);
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        state.SetIterationTime(elapsed.count());
    }
    reportPage(state, bench::searchResultPage(hits), hits);
}

// The cut with the rows dropped again, as a search does it once the list is filled.
void CutSearchPageAndDrop(benchmark::State &state)
{
    const auto hits = static_cast<std::size_t>(state.range(0));
    const std::string &page = bench::searchResultPage(hits);
    for (auto _ : state) {
        const SearchHits rows = cutSearchPage(page);
        benchmark::DoNotOptimize(&rows);
    }
    reportPage(state, page, hits);
}

BENCHMARK(CutSearchPage)->Arg(1)->Arg(50)->Arg(1000)->Arg(10000)->UseManualTime();
BENCHMARK(CountRowMarkers)->Arg(1)->Arg(50)->Arg(1000)->Arg(10000)->UseManualTime();
BENCHMARK(BuildRowsOnly)->Arg(10000)->UseManualTime();
BENCHMARK(CutSearchPageAndDrop)->Arg(10000);

// The address of the highest grade's tooltip on an item page: the last of its twelve links.
void CutItemPage(benchmark::State &state)
{
    const std::string page = bench::itemPage();
    for (auto _ : state) {
        std::optional<std::string> address = tooltipAddress(page, 12);
        benchmark::DoNotOptimize(address);
    }
    if (!tooltipAddress(page, 12))
        state.SkipWithError("the item page has no twelfth grade link");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(CutItemPage);

// A staff's tooltip: every key but one is there, "dps: " also inside "mdps: ".
void CutTooltip(benchmark::State &state)
{
    const std::string tooltip = bench::tooltipPage(2, 12);
    for (auto _ : state) {
        TooltipValues values = cutTooltip(tooltip);
        benchmark::DoNotOptimize(values);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * tooltip.size()));
}
BENCHMARK(CutTooltip);

void BuildStatText(benchmark::State &state)
{
    const StatValues values = toStatValues(cutTooltip(bench::tooltipPage(2, 12)));
    for (auto _ : state) {
        std::string text = buildStatText(values);
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BuildStatText);

// The expected stats of an equipment list of n rows, no bonuses but a few ratios.
void ExpectedStats(benchmark::State &state)
{
    const std::vector<std::string> texts = bench::statTexts(static_cast<std::size_t>(state.range(0)));
    BonusSettings bonus;
    bonus.attackRatio = 0.05;
    bonus.lifeRatio = 0.1;
    bonus.spellPowerBonus = 12;
    for (auto _ : state) {
        StatTotals totals = calculateExpectedStats(texts, bonus);
        benchmark::DoNotOptimize(totals);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(ExpectedStats)->Arg(10)->Arg(1000)->Arg(100000);

void URLEncodeKoreanTerm(benchmark::State &state)
{
    const std::u16string term = bench::koreanTerm(64);
    for (auto _ : state) {
        std::string encoded = URLEncode(term);
        benchmark::DoNotOptimize(encoded);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * term.size() * sizeof(char16_t)));
}
BENCHMARK(URLEncodeKoreanTerm);

} // namespace

BENCHMARK_MAIN();
