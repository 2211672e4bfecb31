// The window at work, offscreen: filling the result list, the 계산 button over a long equipment
// list, whole searches over loopback, and start-up to the window on screen. Each figure that has
// a budget is measured beside its floor in the same run.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/FrmMain.h"
#include "app/ItemSearch.h"
#include "app/SetFiles.h"
#include "bench/BenchData.h"
#include "bench/BenchMain.h"
#include "bench/BenchWindow.h"
#include "itemdb/SearchPage.h"
#include "itemdb/ItemDatabase.h"
#include "itemdb/HttpRequester.h"
#include "sample-site/SampleSite.h"

extern char **environ;

using namespace velmora;
using bench::child;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A site base that nothing listens on, for windows that never search.
const QString unusedSiteBase = QStringLiteral("http://127.0.0.1:9");

constexpr std::size_t manyHits = 10'000;
constexpr std::size_t pageOfHits = 50;
constexpr std::size_t equipmentRows = 1'000;

// The sample site serving a generated catalog of `items` items, all found by the common term.
site::LocalSampleSite &siteWith(std::size_t items)
{
    static std::map<std::size_t, std::unique_ptr<site::LocalSampleSite>> sites;
    std::unique_ptr<site::LocalSampleSite> &site = sites[items];
    if (!site)
        site = std::make_unique<site::LocalSampleSite>(bench::generatedCatalog(items));
    return *site;
}

QString utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::unique_ptr<FrmMain> shownWindow(const QString &siteBase)
{
    auto window = std::make_unique<FrmMain>(siteBase);
    window->show();
    if (!bench::waitUntilShown(*window))
        throw std::runtime_error("the window did not come on screen");
    return window;
}

// What a result list goes through while it is filled and then shown: the model's row-insertion
// and layout (re-sort) signals, and the paint events of its viewport, counted from the start of
// one fill to the start of the next.
class ListActivity : public QObject {
public:
    explicit ListActivity(QTreeWidget &list)
    {
        connect(list.model(), &QAbstractItemModel::rowsInserted, this, [this] { ++m_insertions; });
        connect(list.model(), &QAbstractItemModel::layoutChanged, this, [this] { ++m_layoutChanges; });
        list.viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }

    // Forgets what emptying the list caused; called right before a fill.
    void reset() { m_insertions = m_layoutChanges = m_paints = 0; }
    // Called right after a fill: counts its signals.
    void countFill()
    {
        insertions += m_insertions;
        layoutChanges += m_layoutChanges;
        ++fills;
        m_paints = 0;
    }
    // Called once the window has settled after a fill: counts the repaints it took.
    void settled() { paints += m_paints; }

    long insertions = 0;
    long layoutChanges = 0;
    long paints = 0;
    long fills = 0;

private:
    long m_insertions = 0;
    long m_layoutChanges = 0;
    long m_paints = 0;
};

void reportActivity(benchmark::State &state, const ListActivity &activity, const QTreeWidget &list)
{
    const auto fills = static_cast<double>(std::max(1L, activity.fills));
    state.counters["rows"] = list.topLevelItemCount();
    state.counters["insert_signals_per_fill"] = static_cast<double>(activity.insertions) / fills;
    state.counters["resorts_per_fill"] = static_cast<double>(activity.layoutChanges) / fills;
    state.counters["viewport_paints_per_fill"] = static_cast<double>(activity.paints) / fills;
}

// Empties a list and lets the window settle, so that no earlier work is left for the next fill.
void emptyAndSettle(QTreeWidget &list)
{
    list.clear();
    QCoreApplication::processEvents();
}

// Making the result list's rows for 10,000 cut hits, as the search does on the window's thread
// once the hits are in.
void MakeResultRows(benchmark::State &state)
{
    const auto hits = std::make_shared<const SearchHits>(cutSearchPage(bench::searchResultPage(manyHits)));
    for (auto _ : state) {
        const auto start = Clock::now();
        const QList<QTreeWidgetItem *> rows = makeResultRows(hits);
        state.SetIterationTime(secondsSince(start));
        if (rows.size() != static_cast<qsizetype>(manyHits))
            state.SkipWithError("not one row per hit");
        qDeleteAll(rows);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * manyHits));
}
BENCHMARK(MakeResultRows)->UseManualTime()->Unit(benchmark::kMillisecond);

// The fill step on the window's thread, as the search does it: the rows made from 10,000 cut
// hits go into LV1 in one insertion. Timed until the insertion returns or, `untilPainted`, until
// the list has laid itself out and repainted: how long the window's thread is busy from the
// search's rows to 10,000 rows on screen.
void fillResultList(benchmark::State &state, bool untilPainted)
{
    const auto hits = std::make_shared<const SearchHits>(cutSearchPage(bench::searchResultPage(manyHits)));
    const auto window = shownWindow(unusedSiteBase);
    auto *lv1 = child<QTreeWidget>(*window, "LV1");
    ListActivity activity(*lv1);
    for (auto _ : state) {
        emptyAndSettle(*lv1);
        const QList<QTreeWidgetItem *> rows = makeResultRows(hits);
        activity.reset();
        const auto start = Clock::now();
        lv1->addTopLevelItems(rows);
        if (!untilPainted)
            state.SetIterationTime(secondsSince(start));
        activity.countFill();
        QCoreApplication::processEvents(); // the list lays itself out and repaints
        if (untilPainted)
            state.SetIterationTime(secondsSince(start));
        activity.settled();
    }
    reportActivity(state, activity, *lv1);
    if (lv1->topLevelItemCount() != static_cast<int>(manyHits))
        state.SkipWithError("LV1 does not hold one row per hit");
}
void FillResultList(benchmark::State &state) { fillResultList(state, false); }
void FillResultListUntilPainted(benchmark::State &state) { fillResultList(state, true); }
BENCHMARK(FillResultList)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(FillResultListUntilPainted)->UseManualTime()->Unit(benchmark::kMillisecond);

// The floor of the fill: QTreeWidget::addTopLevelItems alone, with items prepared beforehand from
// the same hits in the most direct way, into the same list.
void AddTopLevelItemsFloor(benchmark::State &state)
{
    const SearchHits hits = cutSearchPage(bench::searchResultPage(manyHits));
    const auto window = shownWindow(unusedSiteBase);
    auto *lv1 = child<QTreeWidget>(*window, "LV1");
    ListActivity activity(*lv1);
    for (auto _ : state) {
        emptyAndSettle(*lv1);
        QList<QTreeWidgetItem *> items;
        items.reserve(static_cast<qsizetype>(hits.size()));
        for (std::size_t i = 0; i < hits.size(); ++i)
            items.append(new QTreeWidgetItem(QStringList{
                utf8(hits.text(i, SearchHits::itemName)), utf8(hits.text(i, SearchHits::kind)),
                utf8(hits.text(i, SearchHits::options)), utf8(hits.text(i, SearchHits::detailAddress))}));
        activity.reset();
        const auto start = Clock::now();
        lv1->addTopLevelItems(items);
        state.SetIterationTime(secondsSince(start));
        activity.countFill();
        QCoreApplication::processEvents();
        activity.settled();
    }
    reportActivity(state, activity, *lv1);
}
BENCHMARK(AddTopLevelItemsFloor)->UseManualTime()->Unit(benchmark::kMillisecond);


// One click on 계산 with 1,000 rows in the equipment list.
void Command1Click(benchmark::State &state)
{
    const auto window = shownWindow(unusedSiteBase);
    auto *lv2 = child<QTreeWidget>(*window, "LV2");
    QList<QTreeWidgetItem *> rows;
    for (const std::string &text : bench::statTexts(equipmentRows))
        rows.append(new QTreeWidgetItem(QStringList{QStringLiteral("붉은 용의 검"), QStringLiteral("검"),
                                                    QString::fromStdString(text), QStringLiteral("전설"), QString()}));
    lv2->addTopLevelItems(rows);
    auto *command1 = child<QPushButton>(*window, "Command1");
    for (auto _ : state) {
        const auto start = Clock::now();
        QTest::mouseClick(command1, Qt::LeftButton);
        state.SetIterationTime(secondsSince(start));
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * equipmentRows));
}
BENCHMARK(Command1Click)->UseManualTime()->Unit(benchmark::kMicrosecond);

// What comes before each timed search and each request of its floors alike: the window on
// screen with all it shows painted (the typed term, the previous result), as it is before a
// player clicks. The pressed button repaints at once, and would otherwise paint whatever was
// left inside the timing. Both sides of a ratio start from the same state of the machine:
// requests timed back to back find the processors awake, a click after a repaint does not.
void settle(FrmMain &window)
{
    QCoreApplication::processEvents();
    window.repaint();
}

// A whole search as the player starts it, a click on 검색하기: the POST, decoding, cutting and
// filling LV1, against a site on loopback at `siteBase` that lists `hits` hits.
void searchClick(benchmark::State &state, const std::string &siteBase, std::size_t hits)
{
    const auto window = shownWindow(QString::fromStdString(siteBase));
    auto *search = child<QLineEdit>(*window, "txtSearch");
    auto *button = child<QPushButton>(*window, "cmdSearch");
    const QString term = QString::fromStdU16String(std::u16string(bench::commonTerm));
    for (auto _ : state) {
        search->setText(term);
        settle(*window);
        const auto start = Clock::now();
        QTest::mouseClick(button, Qt::LeftButton);
        state.SetIterationTime(secondsSince(start));
    }
    // Looked up now: after a very long list the window puts a new list in LV1's place.
    auto *lv1 = child<QTreeWidget>(*window, "LV1");
    state.counters["rows"] = lv1->topLevelItemCount();
    if (lv1->topLevelItemCount() != static_cast<int>(hits))
        state.SkipWithError("the search did not list every hit");
}

// The floor of the search: the same request (POST, empty body, same address) made with Qt Network
// alone, waiting in an event loop for the whole body.
void bareRoundTrip(benchmark::State &state, const std::string &siteBase)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl::fromEncoded(QByteArray::fromStdString(siteBase + bench::searchTarget())));
    // The type Qt gives a POST anyway, named so that it does not warn about it on every request.
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    qsizetype bytes = 0;
    const auto window = shownWindow(unusedSiteBase);
    for (auto _ : state) {
        settle(*window);
        const auto start = Clock::now();
        std::unique_ptr<QNetworkReply> reply(manager.post(request, QByteArray()));
        if (!reply->isFinished()) {
            QEventLoop loop;
            QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
        }
        const QByteArray body = reply->readAll();
        state.SetIterationTime(secondsSince(start));
        bytes = body.size();
        if (reply->error() != QNetworkReply::NoError) {
            state.SkipWithError("the bare request failed");
            break;
        }
    }
    state.counters["page_bytes"] = static_cast<double>(bytes);
}

void Search50Click(benchmark::State &state) { searchClick(state, siteWith(pageOfHits).base(), pageOfHits); }
void BareRoundTrip50(benchmark::State &state) { bareRoundTrip(state, siteWith(pageOfHits).base()); }
BENCHMARK(Search50Click)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BareRoundTrip50)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The program's own share of that search without the window: the POST over libcurl, decoding
// and cutting the page, on the calling thread.
void Search50Request(benchmark::State &state)
{
    HttpRequester requester;
    const std::string base = siteWith(pageOfHits).base();
    const std::u16string term(bench::commonTerm);
    const auto window = shownWindow(unusedSiteBase);
    for (auto _ : state) {
        settle(*window);
        const auto start = Clock::now();
        const auto outcome = searchItems(requester, base, term);
        state.SetIterationTime(secondsSince(start));
        if (!outcome || outcome.value().hits.size() != pageOfHits) {
            state.SkipWithError("the search did not cut every hit");
            break;
        }
    }
}
BENCHMARK(Search50Request)->UseManualTime()->Unit(benchmark::kMicrosecond);

// 10,000 hits.
void Search10000Click(benchmark::State &state)
{
    searchClick(state, siteWith(manyHits).base(), manyHits);
}
BENCHMARK(Search10000Click)->UseManualTime()->Unit(benchmark::kMillisecond);

// Starts `probe` with the version document's address and `extra` arguments and times it until it
// says its window is on screen; a negative time when it never does.
double timeToShown(const char *probe, const std::string &versionUrl, const std::vector<std::string> &extra = {})
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::string program(probe);
    std::string address(versionUrl);
    std::vector<std::string> arguments(extra);
    std::vector<char *> argv{program.data(), address.data()};
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, probe, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string said;
    char buffer[64];
    while (spawned == 0 && said.find('\n') == std::string::npos) {
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        said.append(buffer, static_cast<std::size_t>(got));
    }
    const double seconds = secondsSince(start);
    close(out[0]);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return said == "shown\n" && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// The version document comes from a sample site on loopback.
std::string versionUrl()
{
    static site::LocalSampleSite versionSite;
    return versionSite.base() + std::string(site::versionPath);
}

void startUp(benchmark::State &state, const char *probe, const std::vector<std::string> &extra = {})
{
    const std::string url = versionUrl();
    for (auto _ : state) {
        const double seconds = timeToShown(probe, url, extra);
        if (seconds < 0) {
            state.SkipWithError("the start-up probe did not show its window");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

// The program's start-up: QApplication, the version check over loopback, FrmMain on screen.
void StartUpVelmora(benchmark::State &state) { startUp(state, VELMORA_STARTUP_PROBE); }
// Its floor: QApplication, one request with Qt Network, a bare QMainWindow on screen.
void StartUpBareQt(benchmark::State &state) { startUp(state, VELMORA_STARTUP_PROBE_BARE); }
// The floor with one label of Korean text: how much of the program's start-up any Korean window
// pays.
void StartUpBareQtHangul(benchmark::State &state) { startUp(state, VELMORA_STARTUP_PROBE_BARE, {"hangul"}); }
BENCHMARK(StartUpVelmora)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(StartUpBareQt)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(StartUpBareQtHangul)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Start-up with a working set of 1,000 rows to bring back, against start-up with none. The two
// take turns (which goes first alternates), each in a data folder of its own, so that both meet
// the machine in the same state; the time is the start-up with the set, and the counters the
// median of each and their ratio. The probe fails unless the list shows the rows it should.
void StartUpWorkingSet1000(benchmark::State &state)
{
    const QString folder = bench::useTemporaryDataFolders();
    const QString none = folder + QStringLiteral("/start-up-none");
    const QString kept = folder + QStringLiteral("/start-up-1000");
    if (!QDir().mkpath(none + QStringLiteral("/data"))
        || !writeSetFileAt(kept + QStringLiteral("/data/velmora/working-set.velmora"), bench::workingSet(equipmentRows),
                           false)
                .isEmpty()) {
        state.SkipWithError("cannot prepare the data folders");
        return;
    }
    const std::string url = versionUrl();
    const std::vector<std::string> withNone{none.toStdString(), "0"};
    const std::vector<std::string> withSet{kept.toStdString(), std::to_string(equipmentRows)};
    std::vector<double> withoutTimes;
    std::vector<double> withTimes;
    for (auto _ : state) {
        const bool noneFirst = withTimes.size() % 2 == 0;
        const double first = timeToShown(VELMORA_STARTUP_PROBE, url, noneFirst ? withNone : withSet);
        const double second = timeToShown(VELMORA_STARTUP_PROBE, url, noneFirst ? withSet : withNone);
        if (first < 0 || second < 0) {
            state.SkipWithError("a start-up probe did not show its window with the rows it should");
            break;
        }
        const double withoutSet = noneFirst ? first : second;
        const double withSetTime = noneFirst ? second : first;
        state.SetIterationTime(withSetTime);
        withoutTimes.push_back(withoutSet);
        withTimes.push_back(withSetTime);
    }
    if (withTimes.empty())
        return;
    state.counters["with_set_ms"] = median(withTimes) * 1e3;
    state.counters["none_ms"] = median(withoutTimes) * 1e3;
    state.counters["over_none"] = median(withTimes) / median(withoutTimes);
}
BENCHMARK(StartUpWorkingSet1000)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return bench::runWindowBenchmarks(argc, argv); }
