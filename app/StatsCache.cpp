#include "app/StatsCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <string_view>

#include "app/RegularFile.h"
#include "stats/Grades.h"

namespace velmora {

namespace {

constexpr std::string_view header = "velmora-stats-cache 1\n";

bool holdsControl(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

// What a field of the file may hold: a text we would write.
bool keepable(std::string_view text) { return text.size() <= StatsCache::maxTextBytes && !holdsControl(text); }

std::optional<qint64> readDigits(std::string_view text, std::size_t most)
{
    if (text.empty() || text.size() > most)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

QString statsCachePath()
{
    // The generic cache folder and a name of our own, as the working set has in the data folder:
    // a test program must find the same folder as the program itself.
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/velmora/stats-cache");
}

StatsCache::StatsCache(QString path, Clock now, QObject *parent)
    : QObject(parent), m_path(std::move(path)),
      m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
{
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(writeDelayMs);
    connect(&m_writeTimer, &QTimer::timeout, this, &StatsCache::writePending);
}

StatsCache::~StatsCache() { writePending(); }

bool StatsCache::fresh(qint64 fetched, qint64 now)
{
    // A time ahead of the clock (the clock was put back) is no proof of being fresh either.
    const qint64 age = now - fetched;
    return age >= 0 && age < maxAgeSeconds;
}

qint64 StatsCache::now() const { return m_now().toSecsSinceEpoch(); }

std::optional<ItemStats> StatsCache::find(const std::string &address, int gradeNumber)
{
    load();
    const auto found = m_entries.find({address, gradeNumber});
    if (found == m_entries.end() || !fresh(found->second.fetched, now()))
        return std::nullopt;
    return ItemStats{found->second.statText, 0};
}

void StatsCache::store(const std::string &address, int gradeNumber, const std::string &statText)
{
    if (address.empty() || !keepable(address) || !keepable(statText) || gradeNumber < 1 || gradeNumber > gradeCount)
        return;
    load();
    Key key{address, gradeNumber};
    const qint64 fetched = now();
    if (const auto old = m_entries.find(key); old != m_entries.end())
        m_byAge.erase({old->second.fetched, key});
    m_entries.insert_or_assign(key, Entry{statText, fetched});
    m_byAge.insert({fetched, std::move(key)});
    while (m_entries.size() > maxEntries) {
        m_entries.erase(m_byAge.begin()->second);
        m_byAge.erase(m_byAge.begin());
    }
    m_pending = true;
    if (!m_writeTimer.isActive())
        m_writeTimer.start();
}

std::size_t StatsCache::size()
{
    load();
    return m_entries.size();
}

void StatsCache::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    // Opened without blocking, and only when it is a regular file: a FIFO put there is set aside.
    const ReadFile file = readRegularFile(m_path, maxFileBytes);
    if (file.problem == ReadFile::Problem::missing)
        return;
    // Untrusted bytes: anything but a whole file as we write it goes aside unread.
    const QByteArray bytes = file.bytes.value_or(QByteArray());
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const bool utf8 = file.bytes && QString::fromUtf8(bytes).toUtf8() == bytes;
    if (!utf8 || !text.starts_with(header) || !text.ends_with('\n')) {
        setAside();
        return;
    }
    std::map<Key, Entry> entries;
    std::set<std::pair<qint64, Key>> byAge;
    std::size_t lines = 0;
    const qint64 loadedAt = now();
    for (std::size_t at = header.size(); at < text.size();) {
        const std::size_t end = text.find('\n', at);
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        std::string_view fields[4];
        std::size_t from = 0;
        for (int i = 0; i < 3; ++i) {
            const std::size_t tab = line.find('\t', from);
            if (tab == std::string_view::npos) {
                setAside();
                return;
            }
            fields[i] = line.substr(from, tab - from);
            from = tab + 1;
        }
        fields[3] = line.substr(from);
        const std::optional<qint64> fetched = readDigits(fields[0], 18);
        const std::optional<qint64> grade = readDigits(fields[1], 2);
        Key key{std::string(fields[2]), grade.value_or(0)};
        if (++lines > maxEntries || !fetched || !grade || *grade < 1 || *grade > gradeCount || fields[2].empty()
            || !keepable(fields[2]) || !keepable(fields[3]) || entries.contains(key)) {
            setAside();
            return;
        }
        entries.emplace(std::move(key), Entry{std::string(fields[3]), *fetched});
    }
    // What has expired is as good as not there: it is fetched anew, and not written again.
    std::erase_if(entries, [&](const auto &entry) { return !fresh(entry.second.fetched, loadedAt); });
    for (const auto &[key, entry] : entries)
        byAge.insert({entry.fetched, key});
    m_entries = std::move(entries);
    m_byAge = std::move(byAge);
}

void StatsCache::setAside()
{
    // The last unreadable one is kept for a look, never more: a cache should not grow the disk.
    const QString aside = m_path + QStringLiteral(".unreadable");
    QFile::remove(aside);
    QDir().rename(m_path, aside);
}

void StatsCache::writePending()
{
    m_writeTimer.stop();
    if (!m_pending)
        return;
    m_pending = false;
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return;
    std::string text(header);
    const qint64 writtenAt = now();
    for (const auto &[fetched, key] : m_byAge) {
        if (!fresh(fetched, writtenAt))
            continue;
        text += std::to_string(fetched);
        text += '\t';
        text += std::to_string(key.second);
        text += '\t';
        text += key.first;
        text += '\t';
        text += m_entries.at(key).statText;
        text += '\n';
    }
    // A cache that cannot be written costs requests, never the player's work: nothing is said.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

} // namespace velmora
