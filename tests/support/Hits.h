#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "itemdb/SearchPage.h"

namespace velmora::test {

/// A search hit with texts of its own, for expectations that must outlive the page a row was
/// cut from (a cut row points into its page).
struct Hit {
    std::string itemName;
    std::string kind;
    std::string options;
    std::string detailAddress;

    bool operator==(const Hit &) const = default;
    friend void PrintTo(const Hit &hit, std::ostream *out)
    {
        *out << "{" << hit.itemName << " | " << hit.kind << " | " << hit.options << " | " << hit.detailAddress << "}";
    }
};

inline std::vector<Hit> ownedHits(const std::vector<SearchResultRow> &rows)
{
    std::vector<Hit> hits;
    hits.reserve(rows.size());
    for (const SearchResultRow &row : rows)
        hits.push_back({std::string(row.itemName), std::string(row.kind), row.options, std::string(row.detailAddress)});
    return hits;
}

} // namespace velmora::test
