#include "app/ItemSearch.h"

#include <QHeaderView>
#include <QTreeWidget>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <utility>

#include "app/Controls.h"
#include "app/NetworkWait.h"
#include "app/StatsCache.h"
#include "itemdb/SearchPage.h"

namespace velmora {

namespace {

// The address column of the result list is 18 twips wide: there, but practically hidden.
constexpr Column resultColumns[] = {{"아이템명", 6174}, {"종류", 2469}, {"옵션", 7056}, {"코드주소", 18}};
enum ResultColumn { nameColumn, kindColumn, optionsColumn, addressColumn };

// A result list this long leaves enough behind, once emptied, to be worth a new list and handing
// the freed memory back to the system at once; a shorter one's room is kept for the next search.
constexpr int longResultList = 50'000;

// A row of the result list that reads its texts from the search's hits instead of holding
// copies: with millions of hits a text per cell would be most of the program's memory. The hits
// are shared by every row of one search and go with its last row.
class HitItem : public QTreeWidgetItem {
public:
    HitItem(std::shared_ptr<const SearchHits> hits, std::size_t index) : m_hits(std::move(hits)), m_index(index) {}

    // A text set on the row later (setText) wins over the hit's own, as in any row.
    QVariant data(int column, int role) const override
    {
        QVariant set = QTreeWidgetItem::data(column, role);
        if (set.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) || column < 0
            || column >= SearchHits::fieldCount)
            return set;
        return qs(m_hits->text(m_index, static_cast<SearchHits::Field>(column)));
    }

private:
    std::shared_ptr<const SearchHits> m_hits;
    std::size_t m_index;
};

// The allocator keeps what was freed for later; after a huge page that is most of what the
// program had, so it goes back to the system now. Only glibc keeps it that way.
void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace

QList<QTreeWidgetItem *> makeResultRows(const std::shared_ptr<const SearchHits> &hits)
{
    QList<QTreeWidgetItem *> rows;
    rows.reserve(static_cast<qsizetype>(hits->size()));
    for (std::size_t i = 0; i < hits->size(); ++i)
        rows.append(new HitItem(hits, i));
    return rows;
}

ItemSearch::ItemSearch(QWidget *client, const QString &siteBase, const RequestLimits &limits,
                       std::function<void(QTreeWidget *)> prepare)
    : m_client(client), m_siteBase(siteBase), m_limits(limits), m_prepare(std::move(prepare)),
      m_cache(std::make_unique<StatsCache>(statsCachePath())), m_network(std::make_unique<NetworkThread>())
{
    m_list = makeResultList();
}

ItemSearch::~ItemSearch() = default;

QTreeWidget *ItemSearch::makeResultList()
{
    QTreeWidget *list = makeList(m_client, "LV1", {resultColumns[0], resultColumns[1], resultColumns[2], resultColumns[3]});
    list->setGeometry(twipRect(120, 600, 11055, 4455));
    list->setAccessibleName(QStringLiteral("검색 결과"));
    // A click on a column's header sorts the hits by it; the hits stay unsorted until then.
    list->header()->setSectionsClickable(true);
    m_prepare(list);
    return list;
}

HttpRequester &ItemSearch::requester()
{
    if (!m_requester)
        m_requester = std::make_unique<HttpRequester>(m_limits);
    return *m_requester;
}

std::optional<ItemSearch::Hit> ItemSearch::selectedHit() const
{
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    const QTreeWidgetItem *hit = selected.first();
    return Hit{hit->text(nameColumn), hit->text(kindColumn), hit->text(addressColumn).toStdString()};
}

std::vector<ItemSearch::ListedHit> ItemSearch::listedHits() const
{
    std::vector<ListedHit> hits;
    const int count = m_list->topLevelItemCount();
    hits.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem *hit = m_list->topLevelItem(i);
        hits.push_back({{hit->text(nameColumn), hit->text(kindColumn), hit->text(addressColumn).toStdString()},
                        QPersistentModelIndex(m_list->model()->index(i, 0))});
    }
    return hits;
}

bool ItemSearch::selectHit(const QPersistentModelIndex &at)
{
    if (!at.isValid() || at.model() != m_list->model())
        return false;
    m_list->setCurrentIndex(at);
    m_list->scrollTo(at);
    return true;
}

ItemSearch::Searched ItemSearch::search(const QString &term)
{
    emit searchStarted();
    clearResults();
    m_lastTerm = term;
    const std::u16string text = term.toStdU16String();
    const std::string siteBase = m_siteBase.toStdString();
    HttpRequester &site = requester();
    std::optional<Outcome<SearchAnswer, RequestFailure>> outcome;
    waitWithoutFreezing(*m_network, [&] { outcome.emplace(searchItems(site, siteBase, text)); });
    if (!*outcome)
        return {outcome->why(), 0, 0};

    SearchAnswer &answer = outcome->value();
    const QList<QTreeWidgetItem *> rows =
        makeResultRows(std::make_shared<const SearchHits>(std::move(answer.hits)));
    m_list->addTopLevelItems(rows); // one insertion: the list lays out and repaints once
    return {std::nullopt, static_cast<int>(rows.size()), answer.status};
}

Outcome<ItemStats, ItemFetchFailure> ItemSearch::fetchStats(const std::string &address, int gradeNumber)
{
    HttpRequester &site = requester();
    std::optional<Outcome<ItemStats, ItemFetchFailure>> stats;
    waitWithoutFreezing(*m_network, [&] { stats.emplace(fetchItemStats(site, address, gradeNumber)); });
    keep(address, gradeNumber, *stats);
    return std::move(*stats);
}

void ItemSearch::keep(const std::string &address, int gradeNumber, const FetchedStats &stats)
{
    // An error page's empty stats are no item's stats: only a good answer is kept.
    if (!stats || stats.value().errorStatus != 0)
        return;
    m_cache->store(address, gradeNumber, stats.value().statText);
    FetchKey key{address, gradeNumber};
    if (m_kept.insert_or_assign(key, stats.value()).second) {
        m_keptOrder.push_back(std::move(key));
        if (m_keptOrder.size() > keptFetches) {
            m_kept.erase(m_keptOrder.front());
            m_keptOrder.pop_front();
        }
    }
}

void ItemSearch::fetchStatsLater(const std::string &address, int gradeNumber, QObject *receiver,
                                 std::function<void(const FetchedStats &)> done)
{
    const quint64 ticket = m_nextTicket++;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_laterFetches.emplace(ticket, LaterFetch{receiver, std::move(done), cancelled});
    HttpRequester *site = &requester();
    // Its two requests go as two jobs: a search or an add the player starts meanwhile waits for
    // the one request in flight, not for both.
    m_network->post([this, site, address, gradeNumber, ticket, cancelled] {
        if (*cancelled) {
            answerLater(address, gradeNumber, ticket, Failed{ItemFetchFailure{ItemFetchStep::itemPage, std::nullopt}});
            return;
        }
        Outcome<TooltipLink, ItemFetchFailure> link = fetchTooltipLink(*site, address, gradeNumber);
        if (!link) {
            answerLater(address, gradeNumber, ticket, Failed{link.why()});
            return;
        }
        m_network->post([this, site, address, gradeNumber, ticket, cancelled, link = std::move(link.value())] {
            answerLater(address, gradeNumber, ticket,
                        *cancelled ? FetchedStats(Failed{ItemFetchFailure{ItemFetchStep::tooltipPage, std::nullopt}})
                                   : fetchTooltipStats(*site, link));
        });
    });
}

void ItemSearch::cancelLaterFetches(const QObject *receiver)
{
    for (auto &[ticket, later] : m_laterFetches)
        if (later.receiver == receiver)
            *later.cancelled = true;
}

void ItemSearch::answerLater(const std::string &address, int gradeNumber, quint64 ticket, FetchedStats stats)
{
    // This object outlives the network thread (its destructor ends the thread first), so the
    // answer can always be handed to it, queued for the window's thread.
    QMetaObject::invokeMethod(
        this,
        [this, address, gradeNumber, ticket, stats = std::move(stats)] {
            keep(address, gradeNumber, stats);
            const auto waiting = m_laterFetches.find(ticket);
            if (waiting == m_laterFetches.end())
                return;
            LaterFetch later = std::move(waiting->second);
            m_laterFetches.erase(waiting);
            if (later.receiver)
                later.done(stats);
        },
        Qt::QueuedConnection);
}

std::optional<ItemStats> ItemSearch::keptStats(const std::string &address, int gradeNumber) const
{
    const auto kept = m_kept.find({address, gradeNumber});
    if (kept == m_kept.end())
        return m_cache->find(address, gradeNumber);
    return kept->second;
}

void ItemSearch::setSelectedHitTooltip(const QString &tooltip)
{
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    for (int column = 0; column < m_list->columnCount(); ++column)
        selected.first()->setToolTip(column, tooltip);
}

void ItemSearch::sortBy(int column)
{
    m_sortOrder = (column == m_sortColumn && m_sortOrder == Qt::AscendingOrder) ? Qt::DescendingOrder
                                                                              : Qt::AscendingOrder;
    m_sortColumn = column;
    m_list->sortItems(column, m_sortOrder);
    m_list->header()->setSortIndicator(column, m_sortOrder);
    m_list->header()->setSortIndicatorShown(true);
}

void ItemSearch::clearResults()
{
    // A new search lists its hits in page order again.
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    m_list->header()->setSortIndicatorShown(false);
    if (m_list->topLevelItemCount() < longResultList) {
        m_list->clear();
        return;
    }
    // An emptied list view keeps the room it had made for every row (its row index and its
    // layout), which after a page of millions of hits is more than the rest of the program
    // together. A new, empty list in its place gives all of it back.
    QTreeWidget *replaced = m_list;
    const bool hadFocus = replaced->hasFocus();
    m_list = makeResultList();
    // In the old one's place among its siblings, which is where the focus chain and a screen
    // reader look for it.
    m_list->stackUnder(replaced);
    replaced->hide();
    replaced->setObjectName(QString());
    // The old list may be delivering the very event whose handler started this search (a
    // double-click on it, after which a held-back search ran): it goes once that event is over.
    // Its rows and its view's room for them are freed after it says it is going, in the rest of
    // its destruction: the memory is handed back on the next turn of the event loop.
    connect(replaced, &QObject::destroyed, this,
            [this] { QMetaObject::invokeMethod(this, [] { returnFreedMemory(); }, Qt::QueuedConnection); });
    replaced->deleteLater();
    m_list->show();
    if (hadFocus)
        m_list->setFocus();
    emit listReplaced(m_list);
}

} // namespace velmora
