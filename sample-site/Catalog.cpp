#include "sample-site/Catalog.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>
#include <string>

namespace velmora::site {

// Defined in the .cpp that the build generates from catalog.tsv.
extern const std::string_view builtInCatalogTsv;

namespace {

constexpr std::array<std::string_view, 15> columns = {
    "code", "name", "kind", "level", "itemtype", "str", "sta", "spi",
    "dex", "intellect", "dps", "armor", "resist", "mdps", "options",
};
constexpr std::size_t firstStatColumn = 5;
constexpr std::size_t optionsColumn = 14;

// Large enough for any game item, small enough that a value at the highest grade fits an int.
constexpr int largestNumber = 1'000'000;

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return pieces;
        text.remove_prefix(at + 1);
    }
}

std::optional<int> wholeNumber(std::string_view text)
{
    int value = 0;
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end || value < 0 || value > largestNumber)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> tooltipKeys()
{
    std::vector<std::string_view> keys(statKeys.begin(), statKeys.end());
    keys.push_back("itemtype: ");
    return keys;
}

[[noreturn]] void fail(std::size_t lineNumber, const std::string &why)
{
    throw CatalogError("catalog line " + std::to_string(lineNumber) + ": " + why);
}

CatalogItem parseItem(std::string_view line, std::size_t lineNumber)
{
    const std::vector<std::string_view> fields = split(line, '\t');
    // The options column may be left out altogether (editors drop a trailing tab).
    if (fields.size() != columns.size() && fields.size() != columns.size() - 1)
        fail(lineNumber, "expected " + std::to_string(columns.size()) + " tab-separated columns, found "
                             + std::to_string(fields.size()));

    auto number = [&](std::size_t column, int smallest) {
        const std::optional<int> value = wholeNumber(fields[column]);
        if (!value || *value < smallest)
            fail(lineNumber, std::string(columns[column]) + " is not a whole number from "
                                 + std::to_string(smallest) + " to " + std::to_string(largestNumber)
                                 + ": \"" + std::string(fields[column]) + "\"");
        return *value;
    };

    CatalogItem item;
    item.code = number(0, 1);
    item.name = fields[1];
    item.kind = fields[2];
    item.requiredLevel = number(3, 1);
    item.itemType = number(4, 1);
    for (std::size_t s = 0; s < statCount; ++s)
        item.baseStats[s] = number(firstStatColumn + s, 0);
    if (item.name.empty())
        fail(lineNumber, "the name is empty");
    if (item.kind.empty())
        fail(lineNumber, "the kind is empty");
    // The name stands in the tooltip beside the stats, where a key inside it would be read as a
    // stat that the item does not have.
    for (std::string_view key : tooltipKeys())
        if (item.name.find(key) != std::string::npos)
            fail(lineNumber, "the name holds the tooltip key \"" + std::string(key) + "\"");
    if (item.base(Stat::mdps) > 0 && item.base(Stat::dps) == 0)
        fail(lineNumber, "an item with mdps needs dps too: the tooltip would read mdps as its dps");

    if (fields.size() > optionsColumn && !fields[optionsColumn].empty()) {
        for (std::string_view option : split(fields[optionsColumn], '|')) {
            if (option.empty())
                fail(lineNumber, "an option line is empty");
            item.options.emplace_back(option);
        }
    }
    return item;
}

} // namespace

int statAtGrade(int base, int grade)
{
    grade = std::clamp(grade, 1, highestGrade);
    // base * (1 + 0.15 * (grade - 1)), in hundredths so that halves round the same everywhere.
    const long long hundredths = static_cast<long long>(base) * (100 + 15 * (grade - 1));
    return static_cast<int>((hundredths + 50) / 100);
}

Catalog Catalog::parse(std::string_view tsv)
{
    Catalog catalog;
    std::set<int> codes;
    bool headerSeen = false;
    std::size_t lineNumber = 0;
    for (std::string_view line : split(tsv, '\n')) {
        ++lineNumber;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (!headerSeen) {
            const std::vector<std::string_view> names = split(line, '\t');
            if (!std::equal(names.begin(), names.end(), columns.begin(), columns.end()))
                fail(lineNumber, "the header must name the columns code, name, kind, level, itemtype, str, "
                                 "sta, spi, dex, intellect, dps, armor, resist, mdps, options");
            headerSeen = true;
            continue;
        }
        CatalogItem item = parseItem(line, lineNumber);
        if (!codes.insert(item.code).second)
            fail(lineNumber, "code " + std::to_string(item.code) + " appears twice");
        catalog.m_items.push_back(std::move(item));
    }
    if (!headerSeen)
        throw CatalogError("catalog: the header line is missing");
    return catalog;
}

const Catalog &Catalog::builtIn()
{
    static const Catalog catalog = parse(builtInCatalogTsv);
    return catalog;
}

const CatalogItem *Catalog::find(int code) const
{
    const auto it = std::find_if(m_items.begin(), m_items.end(),
                                 [code](const CatalogItem &item) { return item.code == code; });
    return it == m_items.end() ? nullptr : &*it;
}

std::vector<const CatalogItem *> Catalog::search(std::string_view term) const
{
    std::vector<const CatalogItem *> hits;
    for (const CatalogItem &item : m_items)
        if (item.name.find(term) != std::string::npos)
            hits.push_back(&item);
    return hits;
}

} // namespace velmora::site
