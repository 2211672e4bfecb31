#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <string>
#include <vector>

#include "app/ItemSearch.h"

namespace velmora {

/// Fetches the stats of the ranking table's hits one hit at a time, as a preview fetches them
/// (the item page, then the grade's tooltip page), on the window's one connection and its network
/// thread, without ever waiting on the window's thread: the player's input goes on while the
/// table fills, and a handler's own request waits at most for the fetch in flight.
///
/// Politeness to the site: at most `requestsPerSecond` requests in any second. A hit's two
/// requests go back to back, so the next hit starts no sooner than two requests' worth of time
/// after the last one ended: in any second at most half as many hits are fetched.
class RankingQueue : public QObject {
    Q_OBJECT

public:
    static constexpr int siteRequestsPerSecond = 8;

    /// `requestsPerSecond` 0 lifts the cap (a benchmark against a site on the same machine).
    explicit RankingQueue(ItemSearch &search, int requestsPerSecond = siteRequestsPerSecond,
                          QObject *parent = nullptr);

    struct Job {
        int row;
        std::string address;
        /// Fetched even when the session already keeps its stats (F5).
        bool fresh = false;
    };
    /// Drops what still waits and fetches `jobs`, in order, at grade `gradeNumber`. A fetch still
    /// in flight ends first and is not reported (what it brought is kept all the same).
    void start(std::vector<Job> jobs, int gradeNumber);
    /// Nothing more is asked of the site; the fetch in flight may end and is kept, not reported.
    void stop();
    bool isFetching() const { return !m_jobs.empty() || m_reporting; }

signals:
    /// Row `row`'s fetch is going out now.
    void fetching(int row);
    /// Row `row`'s stats came, or why they did not.
    void fetched(int row, const velmora::ItemSearch::FetchedStats &stats);

private:
    void scheduleNext();
    void startNext();

    ItemSearch &m_search;
    int m_spacingMs;
    std::deque<Job> m_jobs;
    int m_grade = 0;
    // Bumped by start() and stop(): an answer of an earlier run is not reported.
    quint64 m_generation = 0;
    bool m_inFlight = false;
    bool m_reporting = false; // a fetch of the current run is in flight
    QElapsedTimer m_sinceLastAnswer;
    QTimer m_wait;
};

} // namespace velmora
