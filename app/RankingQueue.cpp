#include "app/RankingQueue.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {
constexpr int requestsPerHit = 2; // the item page and the grade's tooltip page
}

RankingQueue::RankingQueue(ItemSearch &search, int requestsPerSecond, QObject *parent)
    : QObject(parent), m_search(search),
      m_spacingMs(requestsPerSecond > 0 ? requestsPerHit * 1000 / requestsPerSecond : 0)
{
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &RankingQueue::startNext);
}

void RankingQueue::start(std::vector<Job> jobs, int gradeNumber)
{
    stop();
    m_jobs.assign(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end()));
    m_grade = gradeNumber;
    scheduleNext();
}

void RankingQueue::stop()
{
    ++m_generation;
    m_search.cancelLaterFetches(this);
    m_jobs.clear();
    m_wait.stop();
    m_reporting = false;
}

void RankingQueue::scheduleNext()
{
    if (m_inFlight || m_jobs.empty() || m_wait.isActive())
        return;
    const qint64 since = m_sinceLastAnswer.isValid() ? m_sinceLastAnswer.elapsed() : m_spacingMs;
    const qint64 wait = std::max<qint64>(0, m_spacingMs - since);
    if (wait == 0)
        startNext();
    else
        m_wait.start(static_cast<int>(wait));
}

void RankingQueue::startNext()
{
    while (!m_jobs.empty()) {
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        // Fetched meanwhile (a preview of the same hit): no request.
        if (!job.fresh) {
            if (const std::optional<ItemStats> kept = m_search.keptStats(job.address, m_grade)) {
                emit fetched(job.row, *kept);
                continue;
            }
        }
        m_inFlight = true;
        m_reporting = true;
        emit fetching(job.row);
        const quint64 generation = m_generation;
        m_search.fetchStatsLater(job.address, m_grade, this,
                                 [this, generation, row = job.row](const ItemSearch::FetchedStats &stats) {
                                     m_inFlight = false;
                                     m_sinceLastAnswer.start();
                                     // The next request goes out before this answer is shown:
                                     // the site works on it while the table paints.
                                     const bool current = generation == m_generation;
                                     if (current)
                                         m_reporting = false;
                                     scheduleNext();
                                     if (current)
                                         emit fetched(row, stats);
                                 });
        return;
    }
}

} // namespace velmora
