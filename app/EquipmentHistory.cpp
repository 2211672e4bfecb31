#include "app/EquipmentHistory.h"

#include <utility>

namespace velmora {

void EquipmentHistory::record(ListChange change)
{
    m_undone.clear();
    m_done.push_back(std::move(change));
    if (m_done.size() > depth)
        m_done.pop_front();
}

std::optional<ListChange> EquipmentHistory::undo()
{
    if (m_done.empty())
        return std::nullopt;
    m_undone.push_back(std::move(m_done.back()));
    m_done.pop_back();
    return m_undone.back();
}

std::optional<ListChange> EquipmentHistory::redo()
{
    if (m_undone.empty())
        return std::nullopt;
    m_done.push_back(std::move(m_undone.back()));
    m_undone.pop_back();
    return m_done.back();
}

} // namespace velmora
