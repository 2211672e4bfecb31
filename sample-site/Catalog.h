#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::site {

/// The stats an item of the sample site can carry, in the order of the catalog's columns.
enum class Stat { str, sta, spi, dex, intellect, dps, armor, resist, mdps };
inline constexpr std::size_t statCount = 9;

/// The tooltip key of each stat (what the tooltip writes before the value) and the Korean word the
/// item page shows for it, indexed by Stat.
inline constexpr std::array<std::string_view, statCount> statKeys = {
    "str: ", "sta: ", "spi: ", "dex: ", "intellect: ", "dps: ", "armor: ", "resist: ", "mdps: ",
};
inline constexpr std::array<std::string_view, statCount> statWords = {
    "힘", "체력", "정신", "민첩", "지능", "공격력", "방어도", "저항도", "주문력",
};

/// One item of the catalog. Texts are plain UTF-8 as the catalog holds them; the pages escape
/// them when they write HTML.
struct CatalogItem {
    int code = 0;
    std::string name;
    std::string kind;
    int requiredLevel = 0;
    int itemType = 0;                        // 77 for ranged weapons (활, 석궁)
    std::array<int, statCount> baseStats{};  // the values at grade 1, indexed by Stat
    std::vector<std::string> options;        // the option lines, in catalog order

    int base(Stat stat) const { return baseStats[static_cast<std::size_t>(stat)]; }
};

/// A catalog line that cannot be used; what() names the line ("catalog line 7: …").
class CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The highest grade; grades run from 1 (저급) to 12 (신화).
inline constexpr int highestGrade = 12;

/// A stat's value at a grade: the base raised by 15 % per grade above the first, rounded to the
/// nearest integer (halves up). A base of 0 stays 0, any other base only grows with the grade.
///   statAtGrade(10, 1) == 10, statAtGrade(10, 2) == 12 (11.5), statAtGrade(10, 12) == 27 (26.5)
/// Grades outside 1…12 are clamped into that range.
int statAtGrade(int base, int grade);

/// The item list of the sample site.
class Catalog {
public:
    /// Reads a catalog in its tab-separated form: the header line
    ///   code name kind level itemtype str sta spi dex intellect dps armor resist mdps options
    /// (tab-separated, exactly these columns), then one item per line. Options are the option
    /// lines separated by "|"; the column may be empty or missing. Blank lines are skipped and a
    /// CR before a line end is ignored. Throws CatalogError for a wrong header, a wrong number of
    /// columns, a number that is not a whole number in range, a duplicate code, an empty name or
    /// kind, a name holding a tooltip key ("str: ", …, "itemtype: "), an empty option line, or an
    /// "mdps" without a "dps" (the tooltip's "dps: " key would then be read inside "mdps: ").
    static Catalog parse(std::string_view tsv);

    /// The catalog built into the program from sample-site/catalog.tsv, read on first use.
    static const Catalog &builtIn();

    const std::vector<CatalogItem> &items() const { return m_items; }

    /// The item with this code; nullptr when there is none.
    const CatalogItem *find(int code) const;

    /// Every item whose name contains `term` (UTF-8, compared byte for byte, so case and
    /// composition matter), in catalog order. The empty term matches every item.
    std::vector<const CatalogItem *> search(std::string_view term) const;

private:
    std::vector<CatalogItem> m_items;
};

} // namespace velmora::site
