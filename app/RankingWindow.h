#pragma once

#include <QPersistentModelIndex>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <vector>

#include "app/RankingModel.h"
#include "app/RankingQueue.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QSortFilterProxyModel;
class QTableView;

namespace velmora {

class EquipmentSet;
class ItemSearch;

/// The ranking table: every hit of the last search, at the chosen grade, with what putting it
/// into the equipment set would change and a score from the player's weights, in a window of its
/// own beside the main one. It fills while the main window stays in the player's hands.
/// Keys: Enter or a double-click adds the row's hit, Shift+Enter replaces, Space previews (the
/// main window does these, as on the hit in its result list); Esc stops fetching; F5 fetches
/// every row anew.
class RankingWindow : public QWidget {
    Q_OBJECT

public:
    /// `requestsPerSecond`: the politeness cap of its fetching (RankingQueue); 0 lifts it.
    RankingWindow(ItemSearch &search, EquipmentSet &set, int requestsPerSecond = RankingQueue::siteRequestsPerSecond,
                  QWidget *parent = nullptr);

    /// Starts over with `hits` of the search for `term` at grade `gradeNumber` named `gradeName`:
    /// hits whose stats are known are ranked at once, the others fetched.
    void rank(std::vector<RankingModel::Hit> hits, const QString &term, int gradeNumber, const QString &gradeName);
    /// The same hits at another grade.
    void setGrade(int gradeNumber, const QString &gradeName);
    /// Fetches the rows that wait (after Esc); nothing when every row is done.
    void fillMissing();
    /// Fetches every row anew, whatever is known (F5).
    void refetchAll();
    /// Stops fetching (Esc): nothing more is sent.
    void stop();

    const RankingModel &model() const { return m_model; }
    int gradeNumber() const { return m_grade; }

signals:
    /// The player asked for the hit at `hit` (an index of the result list) to be added, put in
    /// place of the first row of its kind, or previewed.
    void addRequested(const QPersistentModelIndex &hit);
    void replaceRequested(const QPersistentModelIndex &hit);
    void previewRequested(const QPersistentModelIndex &hit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    enum class Fetch { missing, every };
    void fetch(Fetch which);
    void measureAgainstSet();
    void showWeights();
    void weightTyped();
    void showProgress();
    void paintProgress();
    void fetched(int row, const ItemSearch::FetchedStats &stats);
    QPersistentModelIndex currentHit() const;

    ItemSearch &m_search;
    EquipmentSet &m_set;
    RankingModel m_model;
    RankingQueue m_queue;
    QSortFilterProxyModel *m_sorted = nullptr;
    QTableView *m_view = nullptr;
    std::array<QLineEdit *, statLabelCount> m_weights{};
    QLabel *m_progressText = nullptr;
    QProgressBar *m_progress = nullptr;
    // While answers come in, the table and its progress paint once a frame, at its end.
    QTimer m_frame;
    bool m_progressDue = false;
    QString m_term;
    int m_grade = 0;
    // The set changed while the table was hidden: measured anew when it shows.
    bool m_setChanged = true;
    bool m_placed = false;
};

} // namespace velmora
