#include "app/EquipmentSet.h"

#include <QUndoCommand>

#include <utility>

#include "stats/SiteText.h"

namespace velmora {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A name of the site's inside a step's description: its writing direction ends with it.
QString isolated(const std::string &siteText) { return qs(isolate(siteText)); }

} // namespace

// Puts rows in: an add, a paste, or the other half of a removal. Undone, it takes them out.
class InsertRows : public QUndoCommand {
public:
    InsertRows(EquipmentSet &set, int position, std::vector<SetRow> rows, const QString &text,
               QUndoCommand *parent = nullptr)
        : QUndoCommand(text, parent), m_set(set), m_position(position), m_rows(std::move(rows))
    {
    }
    void redo() override { m_set.insertRows(m_position, m_rows); }
    void undo() override { m_set.removeRows(m_position, static_cast<int>(m_rows.size())); }

private:
    EquipmentSet &m_set;
    int m_position;
    std::vector<SetRow> m_rows;
};

// Takes rows out: a removal or a 목록초기화. Undone, the very rows go back where they stood.
class RemoveRows : public QUndoCommand {
public:
    RemoveRows(EquipmentSet &set, int position, std::vector<SetRow> rows, const QString &text,
               QUndoCommand *parent = nullptr)
        : QUndoCommand(text, parent), m_set(set), m_position(position), m_rows(std::move(rows))
    {
    }
    void redo() override { m_set.removeRows(m_position, static_cast<int>(m_rows.size())); }
    void undo() override { m_set.insertRows(m_position, m_rows); }

private:
    EquipmentSet &m_set;
    int m_position;
    std::vector<SetRow> m_rows;
};

// Everything the set holds in place of everything: opening a set file. Undone, the set holds what
// it held before, the bonuses and the reference included.
class ReplaceAll : public QUndoCommand {
public:
    ReplaceAll(EquipmentSet &set, EquipmentSet::Contents before, EquipmentSet::Contents after, const QString &text)
        : QUndoCommand(text), m_set(set), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void redo() override { m_set.put(m_after); }
    void undo() override { m_set.put(m_before); }

private:
    EquipmentSet &m_set;
    EquipmentSet::Contents m_before;
    EquipmentSet::Contents m_after;
};

BonusState BonusState::initial()
{
    BonusState state;
    for (int i = 0; i < bonusBoxCount; ++i)
        state.captions[static_cast<std::size_t>(i)] = std::string(*bonusInitialCaption(i));
    return state;
}

BonusState BonusState::typed(const BonusTexts &texts)
{
    BonusState state = initial();
    for (int i = 0; i < bonusBoxCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (!texts[at])
            continue;
        state.texts[at] = texts[at];
        state.captions[at] = *switchBonusOn(state.values, i, *texts[at]);
    }
    return state;
}

EquipmentSet::EquipmentSet(QObject *parent) : QObject(parent) { m_history.setUndoLimit(undoLimit); }

// The steps refer to the set: they go first.
EquipmentSet::~EquipmentSet() { m_history.clear(); }

std::vector<EquipmentRow> EquipmentSet::equipmentRows() const
{
    std::vector<EquipmentRow> rows;
    rows.reserve(m_rows.size());
    for (const SetRow &row : m_rows)
        rows.push_back(row.row);
    return rows;
}

std::optional<int> EquipmentSet::firstOfKind(std::string_view kind) const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].row.kind == kind)
            return static_cast<int>(i);
    return std::nullopt;
}

void EquipmentSet::append(SetRow row)
{
    const QString text = QStringLiteral("추가 %1").arg(isolated(row.row.itemName));
    m_history.push(new InsertRows(*this, rowCount(), {std::move(row)}, text));
}

void EquipmentSet::remove(int position)
{
    if (position < 0 || position >= rowCount())
        return;
    const SetRow &row = m_rows[static_cast<std::size_t>(position)];
    const QString text = QStringLiteral("삭제 %1").arg(isolated(row.row.itemName));
    m_history.push(new RemoveRows(*this, position, {row}, text));
}

void EquipmentSet::replace(int position, SetRow row, const QString &description)
{
    if (position < 0 || position >= rowCount())
        return;
    // Out, then in, as one step: undone, the very row it replaced is back where it stood.
    auto *step = new QUndoCommand(description);
    new RemoveRows(*this, position, {m_rows[static_cast<std::size_t>(position)]}, description, step);
    new InsertRows(*this, position, {std::move(row)}, description, step);
    m_history.push(step);
}

void EquipmentSet::clear()
{
    // Clearing an empty list changes nothing, so there is nothing to undo either.
    if (m_rows.empty())
        return;
    const QString text = QStringLiteral("목록초기화 (%1개)").arg(m_rows.size());
    m_history.push(new RemoveRows(*this, 0, m_rows, text));
}

void EquipmentSet::paste(std::vector<SetRow> rows)
{
    if (rows.empty())
        return;
    const QString text = QStringLiteral("붙여넣기 (%1개)").arg(rows.size());
    m_history.push(new InsertRows(*this, rowCount(), std::move(rows), text));
}

void EquipmentSet::replaceAll(std::vector<SetRow> rows, const BonusTexts &bonuses,
                              std::optional<StatTotals> reference, const StatWeights &weights,
                              const QString &description)
{
    Contents after{std::move(rows), BonusState::typed(bonuses), std::move(reference), weights};
    m_history.push(
        new ReplaceAll(*this, {m_rows, m_bonuses, m_reference, m_weights}, std::move(after), description));
}

void EquipmentSet::restore(std::vector<SetRow> rows, const BonusTexts &bonuses, std::optional<StatTotals> reference,
                           const StatWeights &weights)
{
    put({std::move(rows), BonusState::typed(bonuses), std::move(reference), weights});
}

void EquipmentSet::put(Contents contents)
{
    m_rows = std::move(contents.rows);
    m_bonuses = std::move(contents.bonuses);
    m_reference = std::move(contents.reference);
    const bool otherWeights = contents.weights != m_weights;
    m_weights = contents.weights;
    emit replaced();
    if (otherWeights)
        emit weightsChanged();
    emit changed();
}

void EquipmentSet::setWeights(const StatWeights &weights)
{
    if (weights == m_weights)
        return;
    m_weights = weights;
    emit weightsChanged();
    emit changed();
}

void EquipmentSet::setReference(std::optional<StatTotals> reference)
{
    m_reference = std::move(reference);
    emit changed();
}

void EquipmentSet::switchBonusOn(int index, std::string_view typed)
{
    if (index < 0 || index >= bonusBoxCount)
        return;
    BonusState next = m_bonuses;
    const auto at = static_cast<std::size_t>(index);
    next.texts[at] = std::string(typed);
    next.captions[at] = *velmora::switchBonusOn(next.values, index, typed);
    setBonus(index, next);
}

void EquipmentSet::switchBonusOff(int index)
{
    if (index < 0 || index >= bonusBoxCount)
        return;
    BonusState next = m_bonuses;
    const auto at = static_cast<std::size_t>(index);
    next.texts[at].reset();
    next.captions[at] = *velmora::switchBonusOff(next.values, index);
    setBonus(index, next);
}

void EquipmentSet::setBonus(int index, const BonusState &from)
{
    m_bonuses = from;
    emit bonusChanged(index);
    emit changed();
}

void EquipmentSet::insertRows(int position, const std::vector<SetRow> &rows)
{
    m_rows.insert(m_rows.begin() + position, rows.begin(), rows.end());
    emit rowsInserted(position, static_cast<int>(rows.size()));
    emit changed();
}

void EquipmentSet::removeRows(int position, int count)
{
    m_rows.erase(m_rows.begin() + position, m_rows.begin() + position + count);
    emit rowsRemoved(position, count);
    emit changed();
}

} // namespace velmora
