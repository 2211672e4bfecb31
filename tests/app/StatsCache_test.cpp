// The stats cache on disk, through the window against a loopback site that counts requests: a
// restart previews what an earlier run fetched without asking the site, stats fetched a day ago
// are fetched anew, a cache file that cannot be read is set aside, and the newest 20,000 stay.
#include <QComboBox>
#include <QFile>

#include <functional>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

#include "app/StatsCache.h"
#include "stats/Grades.h"
#include "tests/app/WindowFixture.h"

namespace velmora::test {
namespace {

class StatsCacheTest : public WindowTest {
protected:
    void SetUp() override
    {
        site.on("/dataninfo/item/list.php", CannedResponse{.body = resultPage({{"불꽃 송곳니", "한손검", "", address(1)},
                                                                {"녹슨 검", "한손검", "", address(2)}})});
        site.on("/item/detail.php", [this](const RecordedRequest &req) {
            const std::string code = req.target.substr(req.target.find("code=") + 5, 1);
            return CannedResponse{.body = itemPage(site.url("/item/tip.php?code=" + code + "&grade="))};
        });
        site.on("/item/tip.php", CannedResponse{.body = "str: 5, sta: 6, itemtype: 1, "});
        WindowTest::SetUp();
        startSearch();
    }

    std::string address(int code) const { return site.url("/item/detail.php?code=" + std::to_string(code)); }

    // The window as a new start of the program finds it, with the hits of a search listed.
    void restart()
    {
        window.reset();
        window = std::make_unique<FrmMain>(QString::fromStdString(site.base()));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        startSearch();
    }

    void startSearch()
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        searchFor(QStringLiteral("검"));
        ASSERT_EQ(list("LV1")->topLevelItemCount(), 2);
        child<QComboBox>("cr1")->setCurrentText(QStringLiteral("영웅"));
    }

    // The requests that pressing `key` on hit `row` sent.
    std::size_t requestsFor(int row, Qt::Key key)
    {
        const std::size_t before = site.requestCount();
        QTreeWidget *hits = list("LV1");
        QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, hits->visualItemRect(hits->topLevelItem(row)).center());
        QTest::keyClick(hits, key);
        return site.requestCount() - before;
    }

    const int grade = *gradeNumber("영웅");
};

TEST_F(StatsCacheTest, ARestartPreviewsWhatAnEarlierRunFetchedWithoutARequest)
{
    EXPECT_EQ(requestsFor(0, Qt::Key_Space), 2u);
    const QString preview = status();
    ASSERT_TRUE(preview.startsWith(QStringLiteral("미리보기 "))) << preview.toStdString();

    restart();
    EXPECT_EQ(requestsFor(0, Qt::Key_Space), 0u);
    EXPECT_EQ(status(), preview);
    // What goes into the list is fetched as always, cache or not.
    EXPECT_EQ(requestsFor(0, Qt::Key_Return), 2u);
    EXPECT_EQ(list("LV2")->topLevelItem(0)->text(2), QStringLiteral("힘5 체력6 "));
}

TEST_F(StatsCacheTest, StatsFetchedADayAgoAreFetchedAnew)
{
    struct Case {
        const char *name;
        qint64 age; // seconds before now
        std::size_t requests;
    };
    const Case cases[] = {
        {"an hour short of a day", StatsCache::maxAgeSeconds - 3600, 0},
        {"a minute past a day", StatsCache::maxAgeSeconds + 60, 2},
        {"an hour ahead of the clock", -3600, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        QFile::remove(statsCachePath());
        {
            StatsCache earlier(statsCachePath(), [&] { return QDateTime::currentDateTimeUtc().addSecs(-c.age); });
            earlier.store(address(1), grade, "힘5 체력6 ");
        }
        restart();
        EXPECT_EQ(requestsFor(0, Qt::Key_Space), c.requests);
        EXPECT_TRUE(status().startsWith(QStringLiteral("미리보기 "))) << status().toStdString();
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
    const QByteArray line = "1700000000\t6\thttp://x/\t힘5 \n";
    struct Case {
        const char *name;
        std::function<bool(const QString &)> make;
    };
    const std::vector<Case> cases = {
        {"bytes of no cache", write("\x00\xFF garbage")},
        {"a newer version", write("velmora-stats-cache 2\n")},
        {"a line cut off", write("velmora-stats-cache 1\n" + line.chopped(1))},
        {"a thirteenth grade", write("velmora-stats-cache 1\n" + QByteArray(line).replace("\t6\t", "\t13\t"))},
        {"a key twice", write("velmora-stats-cache 1\n" + line + line)},
        {"a folder", [](const QString &path) { return QDir().mkpath(path); }},
#if defined(Q_OS_UNIX)
        // Opened the usual way, this would wait for a writer forever.
        {"a FIFO", [](const QString &path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }},
#endif
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        const QString path = statsCachePath();
        QDir(QFileInfo(path).absolutePath()).removeRecursively();
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(c.make(path));
        restart();
        EXPECT_EQ(requestsFor(0, Qt::Key_Space), 2u);
        EXPECT_TRUE(status().startsWith(QStringLiteral("미리보기 "))) << status().toStdString();
        EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral(".unreadable")));
        // What this run fetched is kept in a new file of its own.
        window.reset();
        EXPECT_TRUE(StatsCache(path).find(address(1), grade).has_value());
    }
}

TEST_F(StatsCacheTest, TheNewestTwentyThousandAreKept)
{
    window.reset();
    QDateTime now = QDateTime::currentDateTimeUtc();
    const auto clock = [&] { return now; };
    const auto entry = [](std::size_t i) { return "http://x/" + std::to_string(i); };
    {
        StatsCache cache(statsCachePath(), clock);
        for (std::size_t i = 0; i <= StatsCache::maxEntries; ++i) {
            cache.store(entry(i), 1, "힘1 ");
            now = now.addSecs(1);
        }
        EXPECT_EQ(cache.size(), StatsCache::maxEntries);
        EXPECT_FALSE(cache.find(entry(0), 1));
        // Fetched anew, the second is the newest: the next one to go is the third.
        cache.store(entry(1), 1, "힘2 ");
        cache.store(entry(StatsCache::maxEntries + 1), 1, "힘1 ");
    }
    StatsCache reread(statsCachePath(), clock);
    EXPECT_EQ(reread.size(), StatsCache::maxEntries);
    EXPECT_FALSE(reread.find(entry(2), 1));
    EXPECT_EQ(reread.find(entry(1), 1)->statText, "힘2 ");
    EXPECT_EQ(reread.find(entry(3), 1)->statText, "힘1 ");
    EXPECT_EQ(reread.find(entry(StatsCache::maxEntries + 1), 1)->statText, "힘1 ");
}

} // namespace
} // namespace velmora::test
