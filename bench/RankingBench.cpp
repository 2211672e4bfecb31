// The ranking table (Ctrl+R), offscreen, against the sample site on loopback: filling it by
// fetching 45 hits with the politeness cap lifted, beside the same 90 requests made bare; the key
// press to a filled table when every hit is kept, over 1,000 and 10 equipment rows; and a key
// typed into the search box while a ranking fetches, until it is painted.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/EquipmentSet.h"
#include "app/FrmMain.h"
#include "app/ItemSearch.h"
#include "app/RankingWindow.h"
#include "bench/BenchData.h"
#include "bench/BenchMain.h"
#include "bench/BenchWindow.h"
#include "bench/CountingSite.h"
#include "itemdb/HttpRequester.h"
#include "itemdb/ItemPage.h"

using namespace velmora;
using bench::child;
using bench::CountingSite;

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

constexpr std::size_t hits = 45;
constexpr int grades = 12;

CountingSite &site()
{
    static CountingSite served(hits);
    return served;
}

// Runs the event loop until `done`, or throws after a minute.
template <typename Done> void waitFor(Done done)
{
    const auto deadline = Clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (Clock::now() > deadline)
            throw std::runtime_error("the table did not fill");
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// The table for the 45 hits, cap lifted, none kept: a new search object each time (its keep
// empty), then timed from the ranking's start to its last row filled.
void RankingFetched45(benchmark::State &state)
{
    int grade = 0;
    for (auto _ : state) {
        QWidget client;
        ItemSearch search(&client, QString::fromStdString(site().base()), RequestLimits{}, [](QTreeWidget *) {});
        EquipmentSet set;
        if (search.search(QString::fromStdU16String(std::u16string(bench::commonTerm))).hits != static_cast<int>(hits))
            throw std::runtime_error("the search did not list every hit");
        RankingWindow table(search, set, 0);
        table.show();
        std::vector<RankingModel::Hit> ranked;
        for (const ItemSearch::ListedHit &listed : search.listedHits())
            ranked.push_back({listed.hit.name.toStdString(), listed.hit.kind.toStdString(), listed.hit.address, listed.at});
        grade = grade % grades + 1;
        QCoreApplication::processEvents();
        const auto requests = site().requests();
        const auto start = Clock::now();
        table.rank(std::move(ranked), QStringLiteral("용"), grade, QString());
        waitFor([&] { return table.model().ranked() == static_cast<int>(hits); });
        state.SetIterationTime(secondsSince(start));
        if (site().requests() != requests + 2 * static_cast<std::int64_t>(hits)) {
            state.SkipWithError("the table did not make two requests per hit");
            break;
        }
    }
}
BENCHMARK(RankingFetched45)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);

// Its floor: the same 90 GETs, each item page and its tooltip page at a grade, back to back with
// a bare request object, the tooltip addresses cut beforehand.
void BareRanking90(benchmark::State &state)
{
    std::vector<std::string> itemAddresses;
    std::vector<std::string> tooltips;
    for (const site::CatalogItem &item : site().catalog().items()) {
        const std::string target = std::string(site::itemPagePath) + "?code=" + std::to_string(item.code);
        itemAddresses.push_back(site().base() + target);
        const std::string page = site().site().answer("GET", target, site().host()).body;
        for (int grade = 1; grade <= grades; ++grade)
            tooltips.push_back(tooltipAddress(page, grade).value_or(std::string()));
    }
    HttpRequester requester;
    int grade = 0;
    for (auto _ : state) {
        grade = grade % grades + 1;
        const auto start = Clock::now();
        bool ok = true;
        for (std::size_t i = 0; i < itemAddresses.size(); ++i) {
            ok = ok && requester.open("GET", itemAddresses[i]) && requester.send() && requester.takeResponseText();
            ok = ok && requester.open("GET", tooltips[i * grades + static_cast<std::size_t>(grade - 1)]) && requester.send()
                 && requester.takeResponseText();
        }
        state.SetIterationTime(secondsSince(start));
        if (!ok) {
            state.SkipWithError("a bare request failed");
            break;
        }
    }
}
BENCHMARK(BareRanking90)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);

// The window with the 45 hits in LV1, `rows` equipment rows pasted, 영웅 chosen, and every hit
// kept by a preview, so that Ctrl+R needs no request.
struct KeptWindow {
    std::unique_ptr<FrmMain> window;

    explicit KeptWindow(std::size_t rows)
    {
        static int windows = 0;
        bench::useDataFolders(bench::useTemporaryDataFolders() + QStringLiteral("/ranking-%1").arg(++windows));
        window = std::make_unique<FrmMain>(QString::fromStdString(site().base()));
        window->show();
        if (!bench::waitUntilShown(*window))
            throw std::runtime_error("the window did not come on screen");
        child<QLineEdit>(*window, "txtSearch")->setText(QString::fromStdU16String(std::u16string(bench::commonTerm)));
        QTest::mouseClick(child<QPushButton>(*window, "cmdSearch"), Qt::LeftButton);
        auto *lv1 = child<QTreeWidget>(*window, "LV1");
        bench::pasteRows(*window, rows);
        child<QComboBox>(*window, "cr1")->setCurrentIndex(5);
        for (int i = 0; i < lv1->topLevelItemCount(); ++i) {
            lv1->setCurrentItem(lv1->topLevelItem(i));
            QTest::keyClick(lv1, Qt::Key_Space);
        }
        if (lv1->topLevelItemCount() != static_cast<int>(hits)
            || child<QTreeWidget>(*window, "LV2")->topLevelItemCount() != static_cast<int>(rows))
            throw std::runtime_error("the window is not set up");
    }
    QTableView *table() const { return window->findChild<QTableView *>(QStringLiteral("rankingTable")); }
};

// Ctrl+R with every hit kept and the table closed, timed until the table is shown with every
// row filled, or until its first frame is painted too (the window system's part: both windows
// paint anew, the main one as it loses the focus).
enum class Until { filled, painted };
void rankKept(benchmark::State &state, std::size_t rows, Until until)
{
    KeptWindow shown(rows);
    const auto requests = site().requests();
    for (auto _ : state) {
        if (shown.table())
            shown.table()->window()->close();
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        QTest::keyClick(shown.window.get(), Qt::Key_R, Qt::ControlModifier);
        const bool filled = shown.window->findChild<RankingWindow *>()->model().ranked() == static_cast<int>(hits);
        if (until == Until::painted)
            QCoreApplication::processEvents(); // the table's first frame
        state.SetIterationTime(secondsSince(start));
        if (!filled) {
            state.SkipWithError("the table was not filled at once");
            break;
        }
    }
    if (site().requests() != requests)
        state.SkipWithError("a kept ranking sent a request");
}
void RankingKept45Over1000(benchmark::State &state) { rankKept(state, 1'000, Until::filled); }
void RankingKept45Over10(benchmark::State &state) { rankKept(state, 10, Until::filled); }
void RankingKept45Over10Painted(benchmark::State &state) { rankKept(state, 10, Until::painted); }
BENCHMARK(RankingKept45Over1000)->Iterations(1)->Repetitions(51)->ReportAggregatesOnly(true)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RankingKept45Over10)->Iterations(1)->Repetitions(51)->ReportAggregatesOnly(true)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RankingKept45Over10Painted)->Iterations(1)->Repetitions(51)->ReportAggregatesOnly(true)->UseManualTime()->Unit(benchmark::kMillisecond);

// Records when the search box is next painted.
class PaintWatch : public QObject {
public:
    Clock::time_point painted{};
    bool seen = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            painted = Clock::now();
            seen = true;
        }
        return QObject::eventFilter(watched, event);
    }
};

struct TypingWindow {
    std::unique_ptr<FrmMain> window;
    QLineEdit *box = nullptr;
    PaintWatch watch;
    TypingWindow()
    {
        bench::useDataFolders(bench::useTemporaryDataFolders() + QStringLiteral("/ranking-typing"));
        window = std::make_unique<FrmMain>(QString::fromStdString(site().base()));
        window->show();
        if (!bench::waitUntilShown(*window))
            throw std::runtime_error("the window did not come on screen");
        box = child<QLineEdit>(*window, "txtSearch");
        box->setText(QString::fromStdU16String(std::u16string(bench::commonTerm)));
        QTest::mouseClick(child<QPushButton>(*window, "cmdSearch"), Qt::LeftButton);
        child<QComboBox>(*window, "cr1")->setCurrentIndex(7);
        QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier); // 45 hits at 8 requests a second
        window->activateWindow();
        box->setFocus();
        box->installEventFilter(&watch);
    }
    bool fetching() const
    {
        return window->findChild<RankingWindow *>()->model().ranked() < static_cast<int>(hits);
    }
};
std::unique_ptr<TypingWindow> typing; // ended in main(), before the application

// A key typed into the search box while the table fills: from the key event to the box painted
// with its character, one key per repetition.
void TypeWhileRanking(benchmark::State &state)
{
    if (!typing)
        typing = std::make_unique<TypingWindow>();
    for (auto _ : state) {
        if (typing->box->text().size() > 20)
            typing->box->clear();
        QCoreApplication::processEvents();
        typing->watch.seen = false;
        const auto start = Clock::now();
        QTest::keyClick(typing->box, Qt::Key_A);
        waitFor([&] { return typing->watch.seen; });
        state.SetIterationTime(std::chrono::duration<double>(typing->watch.painted - start).count());
    }
    if (!typing->fetching())
        state.SkipWithError("the ranking was over before the typing was");
}
BENCHMARK(TypeWhileRanking)->Iterations(1)->Repetitions(101)->ReportAggregatesOnly(true)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv, [] { typing.reset(); });
}
