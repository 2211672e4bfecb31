#include "bench/BenchData.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

#include "itemdb/ItemPage.h"
#include "itemdb/SearchPage.h"
#include "itemdb/URLEncode.h"
#include "sample-site/SampleSite.h"
#include "stats/Grades.h"

namespace velmora::bench {

namespace {

struct Kind {
    std::string_view word;
    int itemType;
    enum Role { melee, ranged, caster, armour, jewel } role;
};

constexpr std::array<Kind, 12> kinds = {{
    {"검", 1, Kind::melee},     {"도끼", 2, Kind::melee},   {"지팡이", 3, Kind::caster},
    {"활", 77, Kind::ranged},   {"석궁", 77, Kind::ranged}, {"방패", 10, Kind::armour},
    {"투구", 11, Kind::armour}, {"갑옷", 12, Kind::armour}, {"장갑", 13, Kind::armour},
    {"목걸이", 15, Kind::jewel}, {"반지", 16, Kind::jewel},  {"귀걸이", 17, Kind::jewel},
}};

constexpr std::array<std::string_view, 12> adjectives = {
    "붉은", "푸른", "검은", "황금", "은빛", "잠든", "성난", "고대", "서리", "폭풍", "그림자", "새벽",
};

// Each holds the common word 용, as names on the real site do in many forms.
constexpr std::array<std::string_view, 6> dragonWords = {"용의", "용비늘", "용뼈", "용발톱", "용사의", "용암"};

constexpr std::array<std::string_view, 12> optionLines = {
    "화염 저항 10 증가",         "이동 속도 2% 증가",     "공격 시 3% 확률로 출혈",
    "최대 생명력 120 증가",      "치명타 확률 2% 증가",   "주문 시전 속도 4% 증가",
    "냉기 피해 6 추가",          "받는 피해 3% 감소",     "명중률 5% 증가",
    "마나 재생 6 증가",          "번개 피해 15 추가",     "뒤에서 공격 시 피해 10% 증가",
};

// A small deterministic generator: the same catalog on every run and every machine.
struct Sequence {
    std::uint32_t state;
    int next(int below)
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(below));
    }
};

std::string catalogTsv(std::size_t count)
{
    std::string tsv = "code\tname\tkind\tlevel\titemtype\tstr\tsta\tspi\tdex\tintellect\tdps\tarmor\tresist\tmdps"
                      "\toptions\n";
    Sequence random{20'240'601u};
    for (std::size_t i = 0; i < count; ++i) {
        const Kind &kind = kinds[i % kinds.size()];
        const std::string name = std::string(adjectives[(i / kinds.size()) % adjectives.size()]) + " "
                                 + std::string(dragonWords[(i / 7) % dragonWords.size()]) + " "
                                 + std::string(kind.word);
        // str sta spi dex intellect dps armor resist mdps
        std::array<int, site::statCount> stats{};
        auto some = [&](int below) { return 1 + random.next(below); };
        switch (kind.role) {
        case Kind::melee: stats = {some(20), some(12), 0, 0, 0, 10 + some(120), 0, 0, 0}; break;
        case Kind::ranged: stats = {0, some(6), 0, some(16), 0, 10 + some(90), 0, 0, 0}; break;
        case Kind::caster: stats = {0, 0, some(9), 0, some(16), 8 + some(24), 0, 0, 10 + some(90)}; break;
        case Kind::armour: stats = {some(8), some(16), 0, 0, 0, 0, 20 + some(200), some(40), 0}; break;
        case Kind::jewel: stats = {some(10), some(10), some(8), 0, some(8), 0, 0, 0, 0}; break;
        }
        tsv += std::to_string(100'001 + i) + '\t' + name + '\t' + std::string(kind.word) + '\t'
               + std::to_string(1 + random.next(60)) + '\t' + std::to_string(kind.itemType);
        for (int value : stats)
            tsv += '\t' + std::to_string(value);
        tsv += '\t';
        const int options = random.next(4);
        for (int k = 0; k < options; ++k) {
            if (k > 0)
                tsv += '|';
            tsv += optionLines[static_cast<std::size_t>(random.next(static_cast<int>(optionLines.size())))];
        }
        tsv += '\n';
    }
    return tsv;
}

constexpr std::size_t catalogForPages = 240;

} // namespace

const site::Catalog &generatedCatalog(std::size_t count)
{
    static std::mutex mutex;
    static std::map<std::size_t, std::unique_ptr<site::Catalog>> made;
    const std::lock_guard lock(mutex);
    std::unique_ptr<site::Catalog> &catalog = made[count];
    if (!catalog)
        catalog = std::make_unique<site::Catalog>(site::Catalog::parse(catalogTsv(count)));
    return *catalog;
}

std::string searchTarget()
{
    return std::string(searchPath) + URLEncode(commonTerm);
}

const std::string &searchResultPage(std::size_t hits)
{
    // Made once per size and kept: the rows cut from a page point into it.
    static std::map<std::size_t, std::string> pages;
    std::string &page = pages[hits];
    if (page.empty())
        page = site::SampleSite(generatedCatalog(hits)).answer("POST", searchTarget(), pageHost).body;
    return page;
}

std::string itemPage()
{
    const site::Catalog &catalog = generatedCatalog(catalogForPages);
    const std::string target = std::string(site::itemPagePath) + "?code=" + std::to_string(catalog.items()[7].code);
    return site::SampleSite(catalog).answer("GET", target, pageHost).body;
}

std::string tooltipPage(std::size_t item, int grade)
{
    const site::Catalog &catalog = generatedCatalog(catalogForPages);
    const std::string target = std::string(site::tooltipPagePath) + "?code="
                               + std::to_string(catalog.items()[item % catalog.items().size()].code)
                               + "&grade=" + std::to_string(grade);
    return site::SampleSite(catalog).answer("GET", target, pageHost).body;
}

std::vector<std::string> statTexts(std::size_t count)
{
    // Enough distinct texts that no row is simply the one before it again.
    constexpr std::size_t distinct = 960;
    std::vector<std::string> pool;
    for (std::size_t k = 0; k < distinct && k < count; ++k)
        pool.push_back(statTextFromTooltip(tooltipPage(k, 1 + static_cast<int>((k + k / catalogForPages) % 12))));
    std::vector<std::string> texts;
    texts.reserve(count);
    for (std::size_t k = 0; k < count; ++k)
        texts.push_back(pool[k % pool.size()]);
    return texts;
}

EquipmentSetData workingSet(std::size_t rows)
{
    const site::Catalog &catalog = generatedCatalog(rows);
    const std::vector<std::string> stats = statTexts(rows);
    EquipmentSetData set;
    set.rows.reserve(rows);
    for (std::size_t k = 0; k < rows; ++k) {
        const site::CatalogItem &item = catalog.items()[k % catalog.items().size()];
        set.rows.push_back({{item.name, item.kind, stats[k], std::string(grades[(k * 5) % grades.size()]), {}},
                            "http://" + std::string(pageHost) + std::string(site::itemPagePath)
                                + "?code=" + std::to_string(item.code)});
    }
    set.bonuses[0] = "10";
    set.bonuses[3] = "25";
    set.bonuses[7] = "3.5";
    return set;
}

std::u16string koreanTerm(std::size_t length)
{
    std::u16string term;
    for (std::size_t i = 0; i < length; ++i)
        term += static_cast<char16_t>(0xAC00 + (i * 587) % 11172); // spread over the syllable block
    return term;
}

ResidentMemory residentMemory()
{
    ResidentMemory memory;
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:" && status >> value)
            memory.peakKiB = value;
        else if (key == "VmRSS:" && status >> value)
            memory.currentKiB = value;
        status.ignore(1 << 12, '\n');
    }
    return memory;
}

} // namespace velmora::bench
