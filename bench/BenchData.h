#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sample-site/Catalog.h"
#include "stats/SetFile.h"

namespace velmora::bench {

/// The word every generated item's name holds: a search for it lists the whole catalog, the way
/// a player's search for a common word lists thousands of items.
inline constexpr std::u16string_view commonTerm = u"용";

/// The host the generated pages were served to; their absolute addresses carry it.
inline constexpr std::string_view pageHost = "127.0.0.1:8750";

/// A catalog of `count` fictional items in the sample site's own form (weapons, bows, staves,
/// armour and jewellery, zero to three option lines), every name holding commonTerm. The same
/// count always gives the same catalog; it lives as long as the program.
const site::Catalog &generatedCatalog(std::size_t count);

/// The request target of a search for commonTerm, exactly as the program sends it.
std::string searchTarget();

/// The result page the sample site serves for a search over generatedCatalog(hits): `hits` hits
/// in the site's markup, as UTF-8. Made once per size and kept for the program's life: the rows
/// cut from it point into it.
const std::string &searchResultPage(std::size_t hits);

/// The page of one generated item, with its twelve grade links.
std::string itemPage();

/// The tooltip page of a generated item at a grade (1…12), as the site serves it.
std::string tooltipPage(std::size_t item, int grade);

/// `count` stat texts as the equipment list holds them: cut from the tooltip pages of different
/// items at different grades, in a fixed order.
std::vector<std::string> statTexts(std::size_t count);

/// A working set of `rows` rows as a player builds one: generated items at different grades, each
/// with its stat text (statTexts) and the address of its item page, and three bonuses typed in.
EquipmentSetData workingSet(std::size_t rows);

/// A search term of `length` Hangul syllables (no blanks).
std::u16string koreanTerm(std::size_t length);

/// This process's resident memory in KiB from /proc/self/status: the peak so far (VmHWM) and
/// now (VmRSS); 0 when it cannot be read.
struct ResidentMemory {
    long peakKiB = 0;
    long currentKiB = 0;
};
ResidentMemory residentMemory();

} // namespace velmora::bench
