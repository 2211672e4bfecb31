#include "app/RankingWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "app/Controls.h"
#include "app/EquipmentSet.h"
#include "app/FailureText.h"
#include "app/ItemSearch.h"
#include "stats/Numbers.h"

namespace velmora {

namespace {

// Sorts the table: a stat or the score by its gain, the largest first on the first click, rows
// not ranked yet and failed ones last either way; the texts as texts. Ascending is the first
// click's order, so lessThan says "stands before".
class RankingSort : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override
    {
        const int column = left.column();
        if (column < RankingModel::firstStatColumn || column > RankingModel::scoreColumn)
            return QSortFilterProxyModel::lessThan(left, right);
        const auto *model = static_cast<const RankingModel *>(sourceModel());
        const RankKey a = model->rankKey(left.row(), column);
        const RankKey b = model->rankKey(right.row(), column);
        // Sorting the other way round asks lessThan(right, left): the failed stay last.
        return sortOrder() == Qt::AscendingOrder ? ranksBefore(a, b, true) : ranksBefore(b, a, false);
    }
};

bool isKey(const QKeyEvent *key, Qt::KeyboardModifiers modifiers, std::initializer_list<int> keys)
{
    if ((key->modifiers() & ~Qt::KeypadModifier) != modifiers)
        return false;
    return std::find(keys.begin(), keys.end(), key->key()) != keys.end();
}

} // namespace

RankingWindow::RankingWindow(ItemSearch &search, EquipmentSet &set, int requestsPerSecond, QWidget *parent)
    : QWidget(parent, Qt::Window), m_search(search), m_set(set), m_queue(search, requestsPerSecond)
{
    setObjectName(QStringLiteral("rankingWindow"));
    setAttribute(Qt::WA_QuitOnClose, false); // the main window ends the program, not this one
    resize(1100, 520);

    auto *weights = new QGridLayout;
    constexpr int weightsPerLine = 7;
    for (int c = 0; c < RankingModel::statColumns; ++c) {
        const std::size_t stat = RankingModel::statOfColumn(RankingModel::firstStatColumn + c);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("weight(%1)").arg(stat));
        edit->setAccessibleName(QStringLiteral("%1 가중치").arg(qs(statName(stat))));
        edit->setMaximumWidth(60);
        auto *label = new QLabel(qs(statName(stat)), this);
        label->setTextFormat(Qt::PlainText);
        label->setBuddy(edit);
        weights->addWidget(label, c / weightsPerLine, 2 * (c % weightsPerLine), Qt::AlignRight);
        weights->addWidget(edit, c / weightsPerLine, 2 * (c % weightsPerLine) + 1);
        connect(edit, &QLineEdit::textEdited, this, &RankingWindow::weightTyped);
        m_weights[stat] = edit;
    }

    m_sorted = new RankingSort(this);
    m_sorted->setSourceModel(&m_model);
    m_sorted->setDynamicSortFilter(true); // stays sorted as rows fill
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("rankingTable"));
    m_view->setAccessibleName(QStringLiteral("비교표"));
    m_view->setModel(m_sorted);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(-1, Qt::AscendingOrder); // the result list's order until a header is clicked
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setSortIndicatorShown(false);
    m_view->setColumnWidth(RankingModel::nameColumn, 180);
    m_view->setColumnWidth(RankingModel::replacedColumn, 120);
    for (int c = RankingModel::firstStatColumn; c <= RankingModel::scoreColumn; ++c)
        m_view->setColumnWidth(c, 52);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    connect(m_view->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this] { m_view->horizontalHeader()->setSortIndicatorShown(true); });

    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("rankingProgress"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("rankingProgressBar"));
    m_progress->setTextVisible(false);
    m_frame.setSingleShot(true);
    m_frame.setInterval(16);
    connect(&m_frame, &QTimer::timeout, this, [this] {
        m_view->setUpdatesEnabled(true); // paints what changed meanwhile
        if (m_progressDue)
            paintProgress();
    });
    auto *progress = new QHBoxLayout;
    progress->addWidget(m_progressText);
    progress->addWidget(m_progress, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(weights);
    layout->addWidget(m_view, 1);
    layout->addLayout(progress);

    connect(makeWindowAction(this, "stopRanking", {QKeySequence(Qt::Key_Escape)}), &QAction::triggered, this,
            &RankingWindow::stop);
    connect(makeWindowAction(this, "refetchRanking", {QKeySequence(Qt::Key_F5)}), &QAction::triggered, this,
            &RankingWindow::refetchAll);

    connect(&m_queue, &RankingQueue::fetching, this, [this](int row) {
        m_model.setState(row, RankingModel::State::fetching);
    });
    connect(&m_queue, &RankingQueue::fetched, this, &RankingWindow::fetched);
    // The hits are going: nothing more is fetched for them (an open table starts over with the
    // new ones once they are listed).
    connect(&m_search, &ItemSearch::searchStarted, this, &RankingWindow::stop);
    connect(&m_set, &EquipmentSet::changed, this, [this] {
        m_setChanged = true;
        if (isVisible())
            measureAgainstSet();
    });
    connect(&m_set, &EquipmentSet::weightsChanged, this, [this] {
        showWeights();
        m_model.setWeights(m_set.weights());
    });
    showWeights();
    m_model.setWeights(m_set.weights());
}

void RankingWindow::rank(std::vector<RankingModel::Hit> hits, const QString &term, int gradeNumber,
                         const QString &gradeName)
{
    m_queue.stop();
    m_term = term;
    setWindowTitle(QStringLiteral("비교표 - %1 (%2)").arg(isolated(term), gradeName));
    m_grade = gradeNumber;
    measureAgainstSet(); // once for all the hits
    m_model.setHits(std::move(hits), gradeName.toStdString());
    fetch(Fetch::missing);
}

void RankingWindow::setGrade(int gradeNumber, const QString &gradeName)
{
    m_queue.stop();
    setWindowTitle(QStringLiteral("비교표 - %1 (%2)").arg(isolated(m_term), gradeName));
    m_grade = gradeNumber;
    m_model.setGrade(gradeName.toStdString());
    fetch(Fetch::missing);
}

void RankingWindow::fillMissing() { fetch(Fetch::missing); }

void RankingWindow::refetchAll() { fetch(Fetch::every); }

void RankingWindow::stop()
{
    m_queue.stop();
    for (int row = 0; row < m_model.rowCount(); ++row)
        if (m_model.state(row) == RankingModel::State::fetching)
            m_model.setState(row, RankingModel::State::waiting);
    showProgress();
}

void RankingWindow::fetch(Fetch which)
{
    std::vector<RankingQueue::Job> jobs;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        const RankingModel::Hit &hit = m_model.hit(row);
        if (which == Fetch::missing) {
            const RankingModel::State state = m_model.state(row);
            if (state == RankingModel::State::ranked || state == RankingModel::State::failed)
                continue;
            // Known at this grade: ranked at once, no request.
            if (const std::optional<ItemStats> kept = m_search.keptStats(hit.address, m_grade)) {
                m_model.setStats(row, kept->statText);
                continue;
            }
        }
        jobs.push_back({row, hit.address, which == Fetch::every});
    }
    m_queue.start(std::move(jobs), m_grade);
    showProgress();
}

void RankingWindow::fetched(int row, const ItemSearch::FetchedStats &stats)
{
    // A site on the same machine answers faster than a frame: painting the table for every
    // answer would keep the window's thread from handing the next request over.
    if (!m_frame.isActive()) {
        m_view->setUpdatesEnabled(false);
        m_frame.start();
    }
    if (stats)
        m_model.setStats(row, stats.value().statText);
    else
        m_model.setFailed(row, withSiteStatus(fetchFailureText(stats.why()), stats.why().errorStatus));
    showProgress();
}

void RankingWindow::measureAgainstSet()
{
    m_setChanged = false;
    m_model.setBaseline(std::make_shared<const SetBaseline>(m_set.equipmentRows(), m_set.bonus()));
}

void RankingWindow::showWeights()
{
    for (std::size_t i = 0; i < m_weights.size(); ++i) {
        const double weight = m_set.weights().weight[i];
        const std::optional<double> shown = readNumber(m_weights[i]->text().toStdString());
        if (shown.value_or(0) != weight) // leave what the player is typing ("0.", "-") alone
            m_weights[i]->setText(weight == 0 ? QString() : qs(formatDecimal(weight)));
    }
}

void RankingWindow::weightTyped()
{
    StatWeights weights;
    for (std::size_t i = 0; i < m_weights.size(); ++i) {
        // Empty, or no number: the stat does not count.
        const std::optional<double> typed = readNumber(m_weights[i]->text().toStdString());
        weights.weight[i] = typed.value_or(0);
    }
    m_set.setWeights(weights);
}

void RankingWindow::showProgress()
{
    // The bar paints itself at once on every new value: while answers come in, it waits for
    // the frame's end like the table.
    if (m_frame.isActive()) {
        m_progressDue = true;
        return;
    }
    paintProgress();
}

void RankingWindow::paintProgress()
{
    m_progressDue = false;
    const int total = m_model.rowCount();
    const int done = m_model.ranked();
    m_progressText->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
    m_progress->setRange(0, std::max(total, 1));
    m_progress->setValue(total == 0 ? 1 : done);
}

QPersistentModelIndex RankingWindow::currentHit() const
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return {};
    return m_model.hit(m_sorted->mapToSource(current).row()).source;
}

bool RankingWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        void (RankingWindow::*request)(const QPersistentModelIndex &) = nullptr;
        if (isKey(key, Qt::NoModifier, {Qt::Key_Return, Qt::Key_Enter}))
            request = &RankingWindow::addRequested;
        else if (isKey(key, Qt::ShiftModifier, {Qt::Key_Return, Qt::Key_Enter}))
            request = &RankingWindow::replaceRequested;
        else if (isKey(key, Qt::NoModifier, {Qt::Key_Space}))
            request = &RankingWindow::previewRequested;
        if (request) {
            // One press, one add: a held key's repeats would add the hit again and again.
            if (!key->isAutoRepeat() && currentHit().isValid())
                emit(this->*request)(currentHit());
            return true;
        }
    }
    if (watched == m_view->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_view->indexAt(mouse->position().toPoint()).isValid() && currentHit().isValid()) {
            if (mouse->modifiers() & Qt::ShiftModifier)
                emit replaceRequested(currentHit());
            else
                emit addRequested(currentHit());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RankingWindow::closeEvent(QCloseEvent *event)
{
    stop();
    QWidget::closeEvent(event);
}

void RankingWindow::showEvent(QShowEvent *event)
{
    // The first time beside the main window, where both can be read at once; later where the
    // player left it.
    if (!m_placed && parentWidget()) {
        m_placed = true;
        move(parentWidget()->window()->frameGeometry().topRight() + QPoint(8, 0));
    }
    if (m_setChanged)
        measureAgainstSet();
    QWidget::showEvent(event);
}

} // namespace velmora
