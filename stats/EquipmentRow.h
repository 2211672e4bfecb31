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

/// One row of an equipment set: its five columns, and the address of the item page it was
/// fetched from ("" for a row that came in as text). A set file keeps both, though never the
/// price, which reads back empty.
struct SetRow {
    EquipmentRow row;
    std::string address;

    bool operator==(const SetRow &) const = default;
};

} // namespace velmora
