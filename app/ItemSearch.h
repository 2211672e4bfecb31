#pragma once

#include <QList>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "itemdb/HttpRequester.h"
#include "itemdb/ItemDatabase.h"

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace velmora {

class NetworkThread;
class SearchHits;
class StatsCache;

/// The window's side of the item site: its one request object and the thread that runs it, the
/// result list LV1 with the hits of the last search, sorting them, and fetching an item's stats.
/// Every request runs on the network thread while the window keeps painting (NetworkWait.h);
/// the list and its rows are made here, on the window's thread.
class ItemSearch : public QObject {
    Q_OBJECT

public:
    /// Makes the result list in `client`. `prepare` connects a result list to the window (its
    /// keys, its double-click, its header): it is called for the first list and for each one
    /// that takes a very long list's place.
    ItemSearch(QWidget *client, const QString &siteBase, const RequestLimits &limits,
               std::function<void(QTreeWidget *)> prepare);
    /// Lets a request in flight end and stops the network thread.
    ~ItemSearch() override;

    /// The result list now in the window (LV1).
    QTreeWidget *list() const { return m_list; }

    /// The texts of a hit that adding it needs.
    struct Hit {
        QString name;
        QString kind;
        std::string address;
    };
    /// The hit selected in the list; nullopt when none is.
    std::optional<Hit> selectedHit() const;
    /// Every hit in the list, in the list's order, each with where it stands in the list.
    struct ListedHit {
        Hit hit;
        QPersistentModelIndex at;
    };
    std::vector<ListedHit> listedHits() const;
    /// Selects the hit at `at` (from listedHits()); false when it is no longer listed.
    bool selectHit(const QPersistentModelIndex &at);

    /// How a search ended: the number of hits listed and the page's HTTP status, or why no page
    /// came.
    struct Searched {
        std::optional<RequestFailure> failure;
        int hits = 0;
        int status = 0;
    };
    /// Empties the list, searches the site for `term` and lists the hits in page order.
    Searched search(const QString &term);
    /// The term of the last search, whatever it found; "" before the first.
    const QString &lastTerm() const { return m_lastTerm; }

    /// The stat text of the item at `address` at grade `gradeNumber` (1…12), fetched with the
    /// same request object as the search, always: nothing kept is looked at. A whole fetch with
    /// no error page is kept for the session and in the stats cache on disk.
    Outcome<ItemStats, ItemFetchFailure> fetchStats(const std::string &address, int gradeNumber);
    /// The stats of the item at `address` at grade `gradeNumber` as fetched earlier this session,
    /// or else as the stats cache has them from less than a day ago (an earlier run's too);
    /// nullopt when neither has them. For a preview and the ranking only: an add or a replace
    /// fetches what it puts in the list.
    std::optional<ItemStats> keptStats(const std::string &address, int gradeNumber) const;
    using FetchedStats = Outcome<ItemStats, ItemFetchFailure>;
    /// The same fetch as fetchStats(), without waiting for it: its requests run on the network
    /// thread after any already asked for, and `done` is called on this thread, from the event
    /// loop, with what came back (kept as fetchStats() keeps it), unless `receiver` is gone by then.
    /// Nothing of the player's input is held back meanwhile.
    void fetchStatsLater(const std::string &address, int gradeNumber, QObject *receiver,
                         std::function<void(const FetchedStats &)> done);
    /// Sends nothing more for `receiver`'s later fetches: a request already sent ends, the second
    /// request of a fetch is not made. Their `done` is still called (with a failure for one cut
    /// short), so that the receiver knows when the site is free again.
    void cancelLaterFetches(const QObject *receiver);
    /// How many fetches the session keeps; the oldest goes first.
    static constexpr std::size_t keptFetches = 1000;

    /// Shows `tooltip` (rich text) on every column of the selected hit.
    void setSelectedHitTooltip(const QString &tooltip);

    /// Sorts the hits by `column`; the other way round when they are sorted by it already.
    void sortBy(int column);

signals:
    /// A search begins: the hits listed so far are about to go.
    void searchStarted();
    /// A new, empty result list has taken the place of a very long one.
    void listReplaced(QTreeWidget *list);

private:
    QTreeWidget *makeResultList();
    /// Empties the result list, and gives the memory of a long one back to the system.
    void clearResults();
    HttpRequester &requester();
    /// Keeps what a fetch gave for the session.
    void keep(const std::string &address, int gradeNumber, const FetchedStats &stats);
    // Hands a later fetch's answer to the window's thread (called on the network thread).
    void answerLater(const std::string &address, int gradeNumber, quint64 ticket, FetchedStats stats);

    QWidget *m_client;
    QString m_siteBase;
    RequestLimits m_limits;
    std::function<void(QTreeWidget *)> m_prepare;
    QTreeWidget *m_list = nullptr;
    // The column the hits are sorted by, and which way; none while they stand in page order.
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::unique_ptr<HttpRequester> m_requester; // created on first use
    // Stats fetched this session, never written anywhere: a preview of an item already seen
    // needs no request. Oldest first in the order, for forgetting.
    using FetchKey = std::pair<std::string, int>;
    std::map<FetchKey, ItemStats> m_kept;
    std::deque<FetchKey> m_keptOrder;
    QString m_lastTerm;
    // Who waits for a fetch that runs without waiting, by its ticket. Only the window's thread
    // touches them: the network thread carries the ticket alone.
    struct LaterFetch {
        QPointer<QObject> receiver;
        std::function<void(const FetchedStats &)> done;
        // Set on the window's thread, read on the network thread before the second request.
        std::shared_ptr<std::atomic<bool>> cancelled;
    };
    std::map<quint64, LaterFetch> m_laterFetches;
    quint64 m_nextTicket = 0;
    std::unique_ptr<StatsCache> m_cache;
    // Declared last so that it is destroyed first: its thread ends before the requester it
    // works with.
    std::unique_ptr<NetworkThread> m_network;
};

/// The result list's rows for search hits, one per hit (name, kind, options, item page address),
/// not yet in any list. Each row reads its texts from `hits`, which it shares: a row costs no
/// text of its own, so a page of millions of hits still fits in memory.
QList<QTreeWidgetItem *> makeResultRows(const std::shared_ptr<const SearchHits> &hits);

} // namespace velmora
