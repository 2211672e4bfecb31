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
#include "stats/ExpectedStats.h"
#include "stats/SetFile.h"
#include "stats/StatWeights.h"

namespace velmora {

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
/// step itself, so none can happen unrecorded. Switching a bonus box or changing a stat weight is
/// no step (the player puts it back as easily as they changed it), but it is a change all the
/// same: changed() tells whoever keeps the set. Opening a set file is one step that brings
/// everything, the weights included, and takes all of it back when undone.
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

    /// The position of the first row whose kind is `kind` (compared as text); nullopt for none.
    std::optional<int> firstOfKind(std::string_view kind) const;

    const BonusState &bonuses() const { return m_bonuses; }
    const BonusSettings &bonus() const { return m_bonuses.values; }

    /// Appends `row` ("추가 ⁨name⁩").
    void append(SetRow row);
    /// Removes the row at `position` ("삭제 ⁨name⁩"); nothing outside the list.
    void remove(int position);
    /// Puts `row` in place of the row at `position` as one step named `description`; nothing
    /// outside the list.
    void replace(int position, SetRow row, const QString &description);
    /// Removes every row ("목록초기화 (N개)"); nothing on an empty list.
    void clear();
    /// Appends `rows` as one step ("붙여넣기 (N개)"); nothing when there are none.
    void paste(std::vector<SetRow> rows);

    /// Puts `rows`, `bonuses`, `reference` and `weights` in place of everything the set holds, as
    /// one step named `description` (opening a set file): undone, everything comes back.
    void replaceAll(std::vector<SetRow> rows, const BonusTexts &bonuses, std::optional<StatTotals> reference,
                    const StatWeights &weights, const QString &description);
    /// The same without a step: what the set held when the program last ended, put back at start.
    void restore(std::vector<SetRow> rows, const BonusTexts &bonuses, std::optional<StatTotals> reference,
                 const StatWeights &weights);

    /// The captions a player pinned to compare later calculations with; none while nothing is pinned.
    const std::optional<StatTotals> &reference() const { return m_reference; }
    void setReference(std::optional<StatTotals> reference);

    /// The player's weight for each stat, from which the ranking scores a hit; all 0 while none is
    /// given.
    const StatWeights &weights() const { return m_weights; }
    /// Takes the player's weights (no step); nothing happens when they are the ones it holds.
    void setWeights(const StatWeights &weights);

    /// Box `index` was checked and `typed` entered ("" on Cancel); nothing outside 0…9.
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
    /// Everything may have changed: the rows, every bonus box and the reference.
    void replaced();
    /// The weights are others now (set, or brought by opening a set file or undoing that).
    void weightsChanged();
    /// Any change of the rows, the bonuses, the reference or the weights.
    void changed();

private:
    friend class InsertRows;
    friend class RemoveRows;
    friend class ReplaceAll;

    struct Contents {
        std::vector<SetRow> rows;
        BonusState bonuses;
        std::optional<StatTotals> reference;
        StatWeights weights;
    };
    void put(Contents contents);

    void insertRows(int position, const std::vector<SetRow> &rows);
    void removeRows(int position, int count);
    void setBonus(int index, const BonusState &from);

    std::vector<SetRow> m_rows;
    BonusState m_bonuses = BonusState::initial();
    std::optional<StatTotals> m_reference;
    StatWeights m_weights;
    QUndoStack m_history;
};

} // namespace velmora
