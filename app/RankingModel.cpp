#include "app/RankingModel.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "app/Controls.h"

namespace velmora {

namespace {

// The stat columns in their order on screen, by the names their labels give them.
constexpr std::array<std::string_view, RankingModel::statColumns> statHeaders = {
    "힘", "민첩", "지능", "정신", "체력", "근공력", "주문력", "원공력", "물리 방어도", "마법 저항도", "치유력", "활력", "생명력"};

std::array<std::size_t, RankingModel::statColumns> statIndexes()
{
    std::array<std::size_t, RankingModel::statColumns> indexes{};
    for (std::size_t c = 0; c < statHeaders.size(); ++c) {
        std::size_t i = 0;
        while (i < statLabelCount && statName(i) != statHeaders[c])
            ++i;
        if (i == statLabelCount)
            throw std::logic_error("a ranking column names no stat");
        indexes[c] = i;
    }
    return indexes;
}

} // namespace

RankingModel::RankingModel(QObject *parent) : QAbstractTableModel(parent) {}

std::size_t RankingModel::statOfColumn(int column)
{
    static const std::array<std::size_t, statColumns> indexes = statIndexes();
    return indexes[static_cast<std::size_t>(column - firstStatColumn)];
}

void RankingModel::setHits(std::vector<Hit> hits, const std::string &grade)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(hits.size());
    for (Hit &hit : hits)
        m_rows.push_back({std::move(hit), State::waiting, {}, {}, std::nullopt});
    m_grade = grade;
    endResetModel();
}

void RankingModel::setGrade(const std::string &grade)
{
    m_grade = grade;
    for (Row &row : m_rows) {
        row.state = State::waiting;
        row.failure.clear();
        row.ranking.reset();
    }
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columns - 1));
}

void RankingModel::setBaseline(std::shared_ptr<const SetBaseline> baseline)
{
    m_baseline = std::move(baseline);
    for (Row &row : m_rows)
        if (row.state == State::ranked)
            rank(row);
    if (!m_rows.empty())
        emit dataChanged(index(0, replacedColumn), index(rowCount() - 1, scoreColumn));
}

void RankingModel::setWeights(const StatWeights &weights)
{
    if (weights == m_weights)
        return;
    m_weights = weights;
    for (Row &row : m_rows)
        if (row.state == State::ranked)
            rank(row);
    if (!m_rows.empty())
        emit dataChanged(index(0, scoreColumn), index(rowCount() - 1, scoreColumn));
}

void RankingModel::rank(Row &row)
{
    if (!m_baseline)
        return;
    row.ranking = rankHit(*m_baseline, {row.hit.name, row.hit.kind, row.statText, m_grade, {}}, m_weights);
}

void RankingModel::setState(int row, State state)
{
    m_rows[static_cast<std::size_t>(row)].state = state;
    rowChanged(row);
}

void RankingModel::setStats(int row, const std::string &statText)
{
    Row &at = m_rows[static_cast<std::size_t>(row)];
    at.state = State::ranked;
    at.failure.clear();
    at.statText = statText;
    rank(at);
    rowChanged(row);
}

void RankingModel::setFailed(int row, const QString &why)
{
    Row &at = m_rows[static_cast<std::size_t>(row)];
    at.state = State::failed;
    at.failure = why;
    at.ranking.reset();
    rowChanged(row);
}

void RankingModel::rowChanged(int row) { emit dataChanged(index(row, 0), index(row, columns - 1)); }

int RankingModel::ranked() const
{
    return static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [](const Row &r) {
        return r.state == State::ranked || r.state == State::failed;
    }));
}

RankKey RankingModel::rankKey(int row, int column) const
{
    const Row &at = m_rows[static_cast<std::size_t>(row)];
    if (at.state == State::failed)
        return {RankKey::failed, 0};
    if (!at.ranking)
        return {RankKey::waiting, 0};
    if (column == scoreColumn)
        return {RankKey::ranked, at.ranking->score ? roundedScore(*at.ranking->score) : 0};
    return {RankKey::ranked, changeNumber(at.ranking->changes[statOfColumn(column)])};
}

int RankingModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RankingModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : columns; }

QVariant RankingModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row &row = m_rows[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::TextAlignmentRole && column >= firstStatColumn && column <= scoreColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case nameColumn:
        return qs(row.hit.name);
    case kindColumn:
        return qs(row.hit.kind);
    case statusColumn:
        switch (row.state) {
        case State::waiting:
            return QStringLiteral("대기");
        case State::fetching:
            return QStringLiteral("가져오는 중");
        case State::failed:
            return row.failure;
        case State::ranked:
            return QString();
        }
        return {};
    default:
        break;
    }
    if (!row.ranking)
        return QString();
    if (column == replacedColumn)
        return row.ranking->replaced ? qs(m_baseline->rows()[*row.ranking->replaced].itemName) : QString();
    if (column == scoreColumn)
        return row.ranking->score ? qs(scoreText(*row.ranking->score)) : QString();
    const std::optional<std::string> &change = row.ranking->changes[statOfColumn(column)];
    return change ? qs(*change) : QString();
}

QVariant RankingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case nameColumn:
        return QStringLiteral("아이템명");
    case kindColumn:
        return QStringLiteral("종류");
    case replacedColumn:
        return QStringLiteral("대신");
    case scoreColumn:
        return QStringLiteral("점수");
    case statusColumn:
        return QStringLiteral("상태");
    default:
        return section >= firstStatColumn && section < scoreColumn
                   ? qs(statHeaders[static_cast<std::size_t>(section - firstStatColumn)])
                   : QVariant();
    }
}

} // namespace velmora
