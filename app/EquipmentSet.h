#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats/BonusSettings.h"
#include "stats/EquipmentRow.h"

namespace velmora {

/// One row of the equipment set: its five columns, and the address of the item page it was
/// fetched from ("" for a row that came in as text).
struct SetRow {
    EquipmentRow row;
    std::string address;

    bool operator==(const SetRow &) const = default;
};

/// The ten bonus boxes as the player left them: per box, nullopt while it is unchecked, else the
/// text typed when it was checked ("" when the dialog was cancelled).
using BonusTexts = std::array<std::optional<std::string>, bonusBoxCount>;

/// Everything the bonus boxes stand for: the texts, the values they gave and the captions shown.
struct BonusState {
    BonusTexts texts{};
    BonusSettings values{};
    std::array<std::string, bonusBoxCount> captions{};

    /// Every box unchecked, with the caption it has when the window opens.
    static BonusState initial();
    /// The boxes after the player has typed `texts` into them, one after another, from the
    /// window's opening state: the same values and captions as typing them would give.
    static BonusState typed(const BonusTexts &texts);

    bool operator==(const BonusState &) const = default;
};

/// The equipment set: the rows of the equipment list and the bonus settings. It is the one place
/// that holds them; the window's list and bonus boxes show what it says, and the calculation,
/// copying and the breakdown read it, never the widgets.
///
/// Every change of the rows is one step of history(), a QUndoStack: the change is made by the
/// step itself, so none can happen unrecorded. Switching a bonus box is no step (the player
/// switches it back with a click), but it is a change all the same: changed() tells whoever
/// keeps the set.
class EquipmentSet : public QObject {
    Q_OBJECT

public:
    /// The oldest steps go once this many are kept.
    static constexpr int undoLimit = 1000;

    explicit EquipmentSet(QObject *parent = nullptr);
    ~EquipmentSet() override;

    const std::vector<SetRow> &rows() const { return m_rows; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    /// The rows' five columns, in list order.
    std::vector<EquipmentRow> equipmentRows() const;

    const BonusState &bonuses() const { return m_bonuses; }
    const BonusSettings &bonus() const { return m_bonuses.values; }

    /// Appends `row` ("추가 ⁨name⁩").
    void append(SetRow row);
    /// Removes the row at `position` ("삭제 ⁨name⁩"); nothing outside the list.
    void remove(int position);
    /// Removes every row ("목록초기화 (N개)"); nothing on an empty list.
    void clear();
    /// Appends `rows` as one step ("붙여넣기 (N개)"); nothing when there are none.
    void paste(std::vector<SetRow> rows);

    /// Box `index` was checked and `typed` entered ("" on Cancel); returns nothing outside 0…9.
    void switchBonusOn(int index, std::string_view typed);
    /// Box `index` was unchecked.
    void switchBonusOff(int index);

    QUndoStack &history() { return m_history; }

signals:
    /// `count` rows now stand from `position` on.
    void rowsInserted(int position, int count);
    /// The `count` rows from `position` on are gone.
    void rowsRemoved(int position, int count);
    /// Bonus box `index` changed: its checked state, value or caption.
    void bonusChanged(int index);
    /// Any change of the rows or the bonuses.
    void changed();

private:
    friend class InsertRows;
    friend class RemoveRows;

    void insertRows(int position, const std::vector<SetRow> &rows);
    void removeRows(int position, int count);
    void setBonus(int index, const BonusState &from);

    std::vector<SetRow> m_rows;
    BonusState m_bonuses = BonusState::initial();
    QUndoStack m_history;
};

} // namespace velmora
