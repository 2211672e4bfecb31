#pragma once

#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "stats/Ranking.h"
#include "stats/StatWeights.h"

namespace velmora {

/// The rows of the ranking table: one per hit of the search, with what putting it into the
/// equipment set would change. It is the one owner of them; the table's view only shows them.
/// Columns: "아이템명", "종류", "대신", the thirteen stats, "점수", "상태".
class RankingModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { nameColumn, kindColumn, replacedColumn, firstStatColumn };
    static constexpr int statColumns = 13;
    static constexpr int scoreColumn = firstStatColumn + statColumns;
    static constexpr int statusColumn = scoreColumn + 1;
    static constexpr int columns = statusColumn + 1;

    /// A hit as the result list holds it, and where it stands there.
    struct Hit {
        std::string name;
        std::string kind;
        std::string address;
        QPersistentModelIndex source;
    };
    enum class State { waiting, fetching, ranked, failed };

    explicit RankingModel(QObject *parent = nullptr);

    /// New hits at `grade`, all waiting: the rows of an earlier search go.
    void setHits(std::vector<Hit> hits, const std::string &grade);
    /// Every row back to waiting, at `grade` (a new grade: the stats known are another grade's).
    void setGrade(const std::string &grade);
    /// The set the hits are measured against: every ranked row is measured anew.
    void setBaseline(std::shared_ptr<const SetBaseline> baseline);
    void setWeights(const StatWeights &weights);

    void setState(int row, State state);
    /// The hit's stats at the table's grade came: the row is ranked.
    void setStats(int row, const std::string &statText);
    /// The hit's fetch failed: `why` as the status bar says it.
    void setFailed(int row, const QString &why);

    const Hit &hit(int row) const { return m_rows[static_cast<std::size_t>(row)].hit; }
    State state(int row) const { return m_rows[static_cast<std::size_t>(row)].state; }
    int ranked() const;

    /// Where the row stands in a sort by a stat or the score column.
    RankKey rankKey(int row, int column) const;
    /// The label index of stat column `column`'s stat.
    static std::size_t statOfColumn(int column);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        Hit hit;
        State state = State::waiting;
        QString failure;
        std::string statText;
        std::optional<HitRanking> ranking;
    };
    void rank(Row &row);
    void rowChanged(int row);

    std::vector<Row> m_rows;
    std::string m_grade;
    std::shared_ptr<const SetBaseline> m_baseline;
    StatWeights m_weights;
};

} // namespace velmora
