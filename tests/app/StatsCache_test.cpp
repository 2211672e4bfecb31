// The stats cache on disk, through the window against a loopback site that counts requests.
#include <QComboBox>
#include <QFile>

#include <functional>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

#include "app/StatsCache.h"
#include "tests/app/WindowFixture.h"

namespace velmora::test {
namespace {

constexpr int grade = 6; // 영웅

class StatsCacheTest : public WindowTest {
protected:
    void SetUp() override
    {
        site.on("/dataninfo/item/list.php", CannedResponse{.body = resultPage({{"송곳니", "한손검", "", address()}})});
        site.on("/item/detail.php", CannedResponse{.body = itemPage(site.url("/item/tip.php?grade="))});
        site.on("/item/tip.php", CannedResponse{.body = "str: 5, sta: 6, itemtype: 1, "});
        WindowTest::SetUp();
        window.reset();
    }

    std::string address() const { return site.url("/item/detail.php?code=1"); }

    // A new start of the program, a search, then `key` on its hit: the requests the key sent.
    std::size_t restartAndPress(Qt::Key key)
    {
        window = std::make_unique<FrmMain>(QString::fromStdString(site.base()));
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        searchFor(QStringLiteral("검"));
        child<QComboBox>("cr1")->setCurrentText(QStringLiteral("영웅"));
        QTreeWidget *hits = list("LV1");
        QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, hits->visualItemRect(hits->topLevelItem(0)).center());
        const std::size_t before = site.requestCount();
        QTest::keyClick(hits, key);
        EXPECT_TRUE(status().startsWith(key == Qt::Key_Space ? QStringLiteral("미리보기 ") : QStringLiteral("추가: ")))
            << status().toStdString();
        const std::size_t sent = site.requestCount() - before;
        window.reset(); // the program ends: what it fetched is written
        return sent;
    }
};

TEST_F(StatsCacheTest, ARestartPreviewsWithoutARequestAndAnAddStillFetches)
{
    EXPECT_EQ(restartAndPress(Qt::Key_Space), 2u);
    EXPECT_EQ(restartAndPress(Qt::Key_Space), 0u);
    EXPECT_EQ(restartAndPress(Qt::Key_Return), 2u);
}

TEST_F(StatsCacheTest, StatsFetchedADayAgoOrInTheFutureAreFetchedAnew)
{
    const std::pair<qint64, std::size_t> cases[] = {// seconds before now, requests of a preview
                                                    {StatsCache::maxAgeSeconds - 3600, 0},
                                                    {StatsCache::maxAgeSeconds + 60, 2},
                                                    {-3600, 2}};
    for (const auto &[age, requests] : cases) {
        SCOPED_TRACE(age);
        QFile::remove(statsCachePath());
        StatsCache(statsCachePath(), [age = age] { return QDateTime::currentDateTimeUtc().addSecs(-age); })
            .store(address(), grade, "힘5 체력6 ");
        EXPECT_EQ(restartAndPress(Qt::Key_Space), requests);
    }
}

TEST_F(StatsCacheTest, AFileThatCannotBeReadIsSetAsideAndTheProgramGoesOn)
{
    const auto write = [](const QByteArray &bytes) {
        return [bytes](const QString &path) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
    };
    const QByteArray head = "velmora-stats-cache 1\n", line = "4000000000\t6\thttp://x/\t힘5 \n";
    const std::vector<std::pair<const char *, std::function<bool(const QString &)>>> cases = {
        {"bytes of no cache", write("\x00\xFF garbage")},
        {"a newer version", write("velmora-stats-cache 2\n")},
        {"a line cut off", write(head + line.chopped(1))},
        {"a thirteenth grade", write(head + QByteArray(line).replace("\t6\t", "\t13\t"))},
        {"a key twice", write(head + line + line)},
        {"a folder", [](const QString &path) { return QDir().mkpath(path); }},
#if defined(Q_OS_UNIX)
        // Opened the usual way, this would wait for a writer forever.
        {"a FIFO", [](const QString &path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }},
#endif
    };
    const QString path = statsCachePath();
    for (const auto &[name, make] : cases) {
        SCOPED_TRACE(name);
        QDir(QFileInfo(path).absolutePath()).removeRecursively();
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(make(path));
        EXPECT_EQ(restartAndPress(Qt::Key_Space), 2u);
        EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral(".unreadable")));
        EXPECT_TRUE(StatsCache(path).find(address(), grade).has_value()); // a new file of its own
    }
}

TEST_F(StatsCacheTest, TheNewestTwentyThousandAreKept)
{
    QDateTime now = QDateTime::currentDateTimeUtc();
    const auto clock = [&] { return now; };
    const auto entry = [](std::size_t i) { return "http://x/" + std::to_string(i); };
    {
        StatsCache cache(statsCachePath(), clock);
        for (std::size_t i = 0; i <= StatsCache::maxEntries; ++i, now = now.addSecs(1))
            cache.store(entry(i), 1, "힘1 ");
        // Fetched anew, the second is the newest: the next one to go is the third.
        cache.store(entry(1), 1, "힘2 ");
        cache.store(entry(StatsCache::maxEntries + 1), 1, "힘1 ");
    }
    StatsCache reread(statsCachePath(), clock);
    EXPECT_EQ(reread.size(), StatsCache::maxEntries);
    EXPECT_FALSE(reread.find(entry(0), 1) || reread.find(entry(2), 1));
    EXPECT_EQ(reread.find(entry(1), 1)->statText, "힘2 ");
    EXPECT_EQ(reread.find(entry(3), 1)->statText, "힘1 ");
}

} // namespace
} // namespace velmora::test
