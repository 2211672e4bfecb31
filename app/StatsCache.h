#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "itemdb/ItemDatabase.h"

namespace velmora {

/// The file the stats cache is kept in: "stats-cache" in the generic cache folder's "velmora",
/// $XDG_CACHE_HOME/velmora (~/.cache/velmora), whatever program hosts the window.
QString statsCachePath();

/// Item stats fetched from the site, kept on disk between runs so that a preview or a ranking
/// after a restart needs no request. Keyed by the item page's address and the grade, each with
/// the time it was fetched; served for a day, then fetched anew. It is a cache, never the
/// player's work: a file it cannot read is moved aside (to the same name + ".unreadable", the
/// one before it replaced) without a word, and the program goes on without it.
///
/// The file, UTF-8 text, read all or nothing (anything else in it sets the whole file aside):
///   velmora-stats-cache 1
///   <fetched, seconds since 1970 UTC> TAB <grade 1…12> TAB <address> TAB <stat text> LF
///   …one line per entry, oldest first, each key once, at most maxEntries lines
/// Addresses (never empty) and stat texts hold no control character and at most maxTextBytes
/// bytes each; what does not fit that is simply not kept.
///
/// Changes are written together, writeDelayMs after the first one (a ranking of fifty hits
/// writes once, not fifty times), always as a whole new file (QSaveFile), and what is pending
/// is written when the cache goes.
class StatsCache : public QObject {
    Q_OBJECT

public:
    /// What time it is, in UTC; a test may let its own clock stand in for the system's.
    using Clock = std::function<QDateTime()>;

    static constexpr qint64 maxAgeSeconds = 24 * 60 * 60;
    static constexpr std::size_t maxEntries = 20'000;
    static constexpr std::size_t maxTextBytes = 1000;
    /// A file that could hold no more than maxEntries entries of the longest texts.
    static constexpr qint64 maxFileBytes = 64 + static_cast<qint64>(maxEntries) * (2 * maxTextBytes + 32);
    static constexpr int writeDelayMs = 3000;

    /// The cache kept at `path`, read when it is first asked. Without `now`, the system clock.
    explicit StatsCache(QString path, Clock now = {}, QObject *parent = nullptr);
    ~StatsCache() override;

    /// The stats of the item at `address` at `gradeNumber` when they were fetched less than
    /// maxAgeSeconds ago; nullopt when they were not, or longer ago.
    std::optional<ItemStats> find(const std::string &address, int gradeNumber);
    /// Keeps `statText` of a whole fetch (no error page) as fetched now; the oldest entry goes
    /// when there are more than maxEntries.
    void store(const std::string &address, int gradeNumber, const std::string &statText);

    /// How many entries are held, expired ones included until they are written.
    std::size_t size();

    /// Writes the cache now, if a change is waiting to be written.
    void writePending();

private:
    using Key = std::pair<std::string, int>;
    struct Entry {
        std::string statText;
        qint64 fetched = 0;
    };

    void load();
    static bool fresh(qint64 fetched, qint64 now);
    qint64 now() const;
    void setAside();

    QString m_path;
    Clock m_now;
    bool m_loaded = false;
    bool m_pending = false;
    std::map<Key, Entry> m_entries;
    // The same keys, oldest first, for dropping the oldest.
    std::set<std::pair<qint64, Key>> m_byAge;
    QTimer m_writeTimer;
};

} // namespace velmora
