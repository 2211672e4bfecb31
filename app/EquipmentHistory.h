#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "stats/EquipmentRow.h"

namespace velmora {

/// One change of the equipment list, with what it takes to undo and redo it: the rows it added
/// or removed, all five columns, and where they stood.
struct ListChange {
    enum class Kind {
        add,    // one row appended (a hit added)
        remove, // one row removed
        clear,  // every row removed (목록초기화)
        paste,  // rows appended from the clipboard
    };
    Kind kind;
    int position; // the first row it added or removed
    std::vector<EquipmentRow> rows;

    bool operator==(const ListChange &) const = default;
};

/// The equipment list's undo and redo: the changes made, newest last, and the ones undone since.
/// A new change forgets what was undone. Keeps the last `depth` changes.
class EquipmentHistory {
public:
    static constexpr std::size_t depth = 1000;

    void record(ListChange change);
    /// The newest change still in effect, moved to the undone ones; nullopt when there is none.
    /// The caller takes it back out of the list.
    std::optional<ListChange> undo();
    /// The newest undone change, moved back; nullopt when there is none. The caller makes it again.
    std::optional<ListChange> redo();

private:
    std::deque<ListChange> m_done;
    std::vector<ListChange> m_undone;
};

} // namespace velmora
