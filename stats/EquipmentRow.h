#pragma once

#include <string>

namespace velmora {

/// One row of the equipment list, its five columns as shown.
struct EquipmentRow {
    std::string itemName;
    std::string kind;
    std::string statText;
    std::string grade;
    std::string auctionUnitPrice; // always empty: nothing in the program writes it

    bool operator==(const EquipmentRow &) const = default;
};

} // namespace velmora
