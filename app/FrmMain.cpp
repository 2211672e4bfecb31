#include "app/FrmMain.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

#include <malloc.h>

#include <algorithm>

#include <optional>
#include <string>
#include <utility>

#include "app/FailureText.h"
#include "app/NetworkWait.h"
#include "itemdb/HttpRequester.h"
#include "itemdb/ItemDatabase.h"
#include "stats/EquipmentList.h"
#include "stats/ExpectedStats.h"
#include "stats/SiteText.h"
#include "stats/StatChanges.h"
#include "stats/Grades.h"
#include "velmora_config.h"

using namespace velmora;

namespace {

// The window was drawn in twips; 15 twips make one logical pixel.
int px(int twips) { return qRound(twips / 15.0); }

QRect twipRect(int left, int top, int width, int height) { return {px(left), px(top), px(width), px(height)}; }

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

struct Column {
    const char *header;
    int widthTwips;
};

// The address column of the result list is 18 twips wide: there, but practically hidden.
constexpr Column resultColumns[] = {{"아이템명", 6174}, {"종류", 2469}, {"옵션", 7056}, {"코드주소", 18}};
constexpr Column equipmentColumns[] = {
    {"아이템명", 4939}, {"종류", 2469}, {"옵션", 7056}, {"등급", 1323}, {"경매장단가", 3528}};
enum EquipmentColumn { nameColumn, kindColumn, statTextColumn, gradeColumn, priceColumn };

// Top of each bonus box in its frame, by box index.
constexpr int checkTopTwips[bonusBoxCount] = {360, 1800, 720, 1080, 2160, 2520, 2880, 3240, 1440, 3600};

struct StatLabel {
    const char *caption; // shown until the first calculation
    int left, top, width;
};
constexpr StatLabel statLabels[13] = {
    {"힘 :", 240, 480, 1095},           {"민첩 :", 240, 840, 1095},         {"지능 :", 1560, 480, 1095},
    {"정신 :", 1560, 840, 1095},        {"체력 :", 2880, 480, 1095},        {"근공력 :", 240, 1320, 1500},
    {"주문력 :", 240, 2040, 1500},      {"원공력 :", 240, 1680, 1500},      {"물리 방어도 :", 1920, 2040, 2100},
    {"마법 저항도 :", 1920, 2400, 2100}, {"치유력 : 미구현", 240, 2400, 1500}, {"활력 :", 1920, 1680, 2100},
    {"생명력 :", 1920, 1320, 2100},
};
constexpr int healingLabel = 10;

const QString usageText = QStringLiteral("불꽃 목걸이, 세트 효과 등의 증감치는 반영이 되지 않아\n"
                                         "직접 생명력 추가로 입력하셔야합니다.\n\n"
                                         "더블클릭을 하면 밑에 목록으로 추가가 됩니다.\n\n"
                                         "목록에 더블클릭을 하면 개별 삭제 됩니다.\n\n"
                                         "검색어를 입력 후 엔터를 치면 자동으로 검색이 됩니다.");

QTreeWidget *makeList(QWidget *parent, const char *name, std::initializer_list<Column> columns)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(false);
    list->header()->setMinimumSectionSize(1);
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList headers;
    for (const Column &column : columns)
        headers << QString::fromUtf8(column.header);
    list->setHeaderLabels(headers);
    int i = 0;
    for (const Column &column : columns)
        list->setColumnWidth(i++, px(column.widthTwips));
    return list;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, const QRect &geometry)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText); // text from the web is never rendered as HTML
    label->setGeometry(geometry);
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const char *caption, const QRect &geometry)
{
    auto *button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

// A row of the result list that reads its texts from the search's hits instead of holding
// copies: with millions of hits a text per cell would be most of the program's memory. The hits
// are shared by every row of one search and go with its last row.
class HitItem : public QTreeWidgetItem {
public:
    HitItem(std::shared_ptr<const SearchHits> hits, std::size_t index)
        : m_hits(std::move(hits)), m_index(index)
    {
    }

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

// A result list this long leaves enough behind, once emptied, to be worth a new list and handing
// the freed memory back to the system at once; a shorter one's room is kept for the next search.
constexpr int longResultList = 50'000;

// A text of the site's, embedded in one of the window's own messages: its writing direction
// ends where it ends.
QString isolated(const QString &siteText) { return qs(isolate(siteText.toStdString())); }

// A tooltip that shows `lines` as they are: the site's names may hold "<b>" or "<img …>", and a
// tooltip would take them for markup.
QString plainTooltip(const std::vector<std::string> &lines)
{
    QStringList escaped;
    for (const std::string &line : lines)
        escaped << qs(line).toHtmlEscaped();
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(escaped.join(QStringLiteral("<br>")));
}

// The keys of undo and redo, also when the search box or the grade box has them: there they keep
// their text-editing meaning.
bool isListHistoryKey(const QKeyEvent *key)
{
    const QKeyCombination pressed = key->keyCombination();
    return pressed == QKeyCombination(Qt::ControlModifier, Qt::Key_Z)
           || pressed == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)
           || pressed == QKeyCombination(Qt::ControlModifier, Qt::Key_Y);
}

// An action of the window (never a menu entry) for `keys`, wherever the focus is in the window.
QAction *makeWindowAction(QWidget *window, const char *name, const QList<QKeySequence> &keys)
{
    auto *action = new QAction(window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

bool isEnter(const QKeyEvent *key)
{
    const bool plain = key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier;
    return plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
}

} // namespace

QList<QTreeWidgetItem *> velmora::makeResultRows(const std::shared_ptr<const SearchHits> &hits)
{
    QList<QTreeWidgetItem *> rows;
    rows.reserve(static_cast<qsizetype>(hits->size()));
    for (std::size_t i = 0; i < hits->size(); ++i)
        rows.append(new HitItem(hits, i));
    return rows;
}

FrmMain::FrmMain(QWidget *parent) : FrmMain(QString::fromUtf8(config::siteBase), parent) {}

FrmMain::FrmMain(const QString &siteBase, QWidget *parent) : FrmMain(siteBase, RequestLimits{}, parent) {}

FrmMain::FrmMain(const QString &siteBase, const RequestLimits &limits, QWidget *parent)
    : QMainWindow(parent), m_siteBase(siteBase), m_limits(limits), m_network(std::make_unique<NetworkThread>())
{
    QFont font;
    // No 맑은 고딕 outside Windows: the next faces keep every control in one Hangul font.
    font.setFamilies({QStringLiteral("맑은 고딕"), QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")});
    font.setPointSize(9);
    setFont(font);
    // The program's icon, unless the application already has it (main() sets it once for every
    // window and box; reading the image again would cost start-up time for nothing).
    if (QApplication::windowIcon().isNull())
        setWindowIcon(QIcon(QString::fromLatin1(velmora::iconResource)));
    setWindowTitle(QStringLiteral("벨모라 아이템 시뮬레이터 - ver 1.3"));

    buildControls();
    Form_Load();
}

FrmMain::~FrmMain() = default;

void FrmMain::buildControls()
{
    auto *client = new QWidget(this);
    client->setFixedSize(px(15510), px(8175));
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    makeLabel(client, QStringLiteral("Label1"), QStringLiteral("검색어 :"), twipRect(120, 160, 855, 255));

    m_txtSearch = new QLineEdit(client);
    m_txtSearch->setObjectName(QStringLiteral("txtSearch"));
    m_txtSearch->setAccessibleName(QStringLiteral("검색어"));
    m_txtSearch->setGeometry(twipRect(960, 140, 3135, 330));
    m_txtSearch->installEventFilter(this);

    m_cmdSearch = makeButton(client, "cmdSearch", "검색하기", twipRect(4200, 100, 1095, 375));

    m_cr1 = new QComboBox(client);
    m_cr1->setObjectName(QStringLiteral("cr1"));
    m_cr1->setEditable(true);
    m_cr1->setInsertPolicy(QComboBox::NoInsert); // the grade list never changes
    m_cr1->setMaxVisibleItems(gradeCount);         // every grade in view, no scrolling
    m_cr1->setGeometry(twipRect(8640, 120, 1215, 345));
    m_cr1->lineEdit()->installEventFilter(this);

    m_command2 = makeButton(client, "Command2", "추가 사용법", twipRect(9960, 100, 1215, 375));

    m_lv1 = makeResultList();

    m_lv2 = makeList(client, "LV2",
                     {equipmentColumns[0], equipmentColumns[1], equipmentColumns[2], equipmentColumns[3],
                      equipmentColumns[4]});
    m_lv2->setGeometry(twipRect(120, 5160, 11055, 2895));
    m_lv2->setAccessibleName(QStringLiteral("장비 목록"));
    m_lv2->viewport()->installEventFilter(this);
    m_lv2->installEventFilter(this); // Delete, copy and paste

    m_frame2 = new QGroupBox(QStringLiteral("추가 설정"), client);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setGeometry(twipRect(11280, 480, 4095, 3975));
    for (int i = 0; i < bonusBoxCount; ++i) {
        auto *box = new QCheckBox(qs(*bonusInitialCaption(i)), m_frame2);
        box->setObjectName(QStringLiteral("Check1(%1)").arg(i));
        box->setGeometry(twipRect(240, checkTopTwips[i], 2800, 255));
        connect(box, &QCheckBox::toggled, this, [this, i] { runHandler([this, i] { Check1_Click(i); }); });
        m_check1[static_cast<std::size_t>(i)] = box;
    }

    m_command1 = makeButton(client, "Command1", "계산", twipRect(11280, 4560, 4095, 615));

    m_frame1 = new QGroupBox(QStringLiteral("예상 스탯치"), client);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(twipRect(11280, 5280, 4095, 2775));
    for (int i = 0; i < statLabelCount; ++i) {
        const StatLabel &label = statLabels[i];
        m_lab1[static_cast<std::size_t>(i)] = makeLabel(m_frame1, QStringLiteral("lab1(%1)").arg(i),
                                                        QString::fromUtf8(label.caption),
                                                        twipRect(label.left, label.top, label.width, 255));
    }
    QFont struck = font();
    struck.setStrikeOut(true);
    m_lab1[healingLabel]->setFont(struck);

    m_lv2Reset = menuBar()->addAction(QStringLiteral("목록초기화"));
    m_lv2Reset->setObjectName(QStringLiteral("LV2Reset"));

    connect(m_cmdSearch, &QPushButton::clicked, this, [this] { runHandler([this] { cmdSearch_Click(); }); });
    connect(m_command1, &QPushButton::clicked, this, [this] { runHandler([this] { Command1_Click(); }); });
    connect(m_command2, &QPushButton::clicked, this, [this] { runHandler([this] { Command2_Click(); }); });
    connect(m_lv2Reset, &QAction::triggered, this, [this] { runHandler([this] { LV2Reset_Click(); }); });

    const QKeySequence redoKeys[] = {QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z),
                                     QKeySequence(Qt::ControlModifier | Qt::Key_Y)};
    connect(makeWindowAction(this, "undo", {QKeySequence(Qt::ControlModifier | Qt::Key_Z)}), &QAction::triggered,
            this, [this] { runHandler([this] { undoListChange(); }); });
    connect(makeWindowAction(this, "redo", {redoKeys[0], redoKeys[1]}), &QAction::triggered, this,
            [this] { runHandler([this] { redoListChange(); }); });
    applyTabOrder();

    statusBar()->setSizeGripEnabled(false);
    // Screen readers read the status bar by its name: keep it saying what the bar shows.
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(), &QWidget::setAccessibleName);
}

void FrmMain::Form_Load()
{
    m_bonus = BonusSettings{};
    for (std::string_view grade : grades)
        m_cr1->addItem(qs(grade));
    m_cr1->setCurrentIndex(-1);
    m_cr1->setEditText(qs(gradePlaceholder));
}

QString FrmMain::rank(qint16 num) const { return qs(gradeName(num)); }

HttpRequester &FrmMain::requester()
{
    if (!m_requester)
        m_requester = std::make_unique<HttpRequester>(m_limits);
    return *m_requester;
}

void FrmMain::waitForSite(const std::function<void()> &work) { waitWithoutFreezing(*m_network, work); }

void FrmMain::runHandler(std::function<void()> handler)
{
    if (m_closed)
        return;
    if (m_handlerRunning) {
        m_heldBack.push_back(std::move(handler));
        return;
    }
    // Whatever a handler throws, the window goes on taking the player's actions.
    struct Running {
        bool &flag;
        explicit Running(bool &f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(m_handlerRunning);
    handler();
    while (!m_heldBack.empty() && !m_closed) {
        std::function<void()> next = std::move(m_heldBack.front());
        m_heldBack.erase(m_heldBack.begin());
        next();
    }
    m_heldBack.clear();
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        m_closed = true;
        m_heldBack.clear();
    }
}

QTreeWidget *FrmMain::makeResultList()
{
    QTreeWidget *list =
        makeList(centralWidget(), "LV1", {resultColumns[0], resultColumns[1], resultColumns[2], resultColumns[3]});
    list->setGeometry(twipRect(120, 600, 11055, 4455));
    list->setAccessibleName(QStringLiteral("검색 결과"));
    list->viewport()->installEventFilter(this);
    list->installEventFilter(this); // Enter adds the selected hit, as a double-click does
    // A click on a column's header sorts the hits by it; the hits stay unsorted until then.
    list->header()->setSectionsClickable(true);
    connect(list->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { runHandler([this, column] { sortResults(column); }); });
    return list;
}

void FrmMain::applyTabOrder()
{
    QList<QWidget *> order = {m_txtSearch, m_cmdSearch, m_cr1, m_command2, m_lv1, m_lv2};
    // The bonus boxes from top to bottom, as they stand in their frame.
    std::array<int, bonusBoxCount> boxes{};
    for (int i = 0; i < bonusBoxCount; ++i)
        boxes[static_cast<std::size_t>(i)] = i;
    std::sort(boxes.begin(), boxes.end(), [](int a, int b) { return checkTopTwips[a] < checkTopTwips[b]; });
    for (int box : boxes)
        order << m_check1[static_cast<std::size_t>(box)];
    order << m_command1;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void FrmMain::sortResults(int column)
{
    m_sortOrder = (column == m_sortColumn && m_sortOrder == Qt::AscendingOrder) ? Qt::DescendingOrder
                                                                              : Qt::AscendingOrder;
    m_sortColumn = column;
    m_lv1->sortItems(column, m_sortOrder);
    m_lv1->header()->setSortIndicator(column, m_sortOrder);
    m_lv1->header()->setSortIndicatorShown(true);
}

void FrmMain::clearResults()
{
    // A new search lists its hits in page order again.
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    m_lv1->header()->setSortIndicatorShown(false);
    if (m_lv1->topLevelItemCount() < longResultList) {
        m_lv1->clear();
        return;
    }
    // An emptied list view keeps the room it had made for every row (its row index and its
    // layout), which after a page of millions of hits is more than the rest of the program
    // together. A new, empty list in its place gives all of it back.
    QTreeWidget *replaced = m_lv1;
    const bool hadFocus = replaced->hasFocus();
    m_lv1 = makeResultList();
    replaced->hide();
    delete replaced;
    applyTabOrder();
    m_lv1->show();
    if (hadFocus)
        m_lv1->setFocus();
    // The allocator keeps what was freed for later; after a huge page that is most of what the
    // program had, so it goes back to the system now.
    malloc_trim(0);
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtSearch && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const int code = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                             ? 13
                             : (key->text().isEmpty() ? 0 : key->text().at(0).unicode());
        if (code != 0)
            runHandler([this, code] { txtSearch_KeyPress(code); });
        return false; // the key still reaches the search box
    }
    // Undo and redo keep their text-editing meaning in the search box and the grade box: the
    // key goes to the box instead of the window's actions.
    if (event->type() == QEvent::ShortcutOverride && (watched == m_txtSearch || watched == m_cr1->lineEdit())
        && isListHistoryKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return false;
    }
    // The lists' own keys, taken before the list's default handling (which would copy one cell).
    if (event->type() == QEvent::KeyPress && (watched == m_lv1 || watched == m_lv2)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_lv1 && isEnter(key)) {
            runHandler([this] { LV1_DblClick(); });
            return true;
        }
        if (watched == m_lv2 && key->keyCombination() == QKeyCombination(Qt::Key_Delete)) {
            runHandler([this] { LV2_DblClick(); });
            return true;
        }
        if (watched == m_lv2 && key->matches(QKeySequence::Copy)) {
            runHandler([this] { copyEquipmentList(); });
            return true;
        }
        if (watched == m_lv2 && key->matches(QKeySequence::Paste)) {
            runHandler([this] { pasteEquipmentList(); });
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_lv1->viewport())
            runHandler([this] { LV1_DblClick(); });
        else if (watched == m_lv2->viewport())
            runHandler([this] { LV2_DblClick(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::txtSearch_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        cmdSearch_Click();
}

void FrmMain::cmdSearch_Click()
{
    clearResults();
    const std::u16string term = m_txtSearch->text().toStdU16String();
    const std::string siteBase = m_siteBase.toStdString();
    HttpRequester &site = requester();
    std::optional<Outcome<SearchAnswer, RequestFailure>> outcome;
    waitForSite([&] { outcome.emplace(searchItems(site, siteBase, term)); });

    QList<QTreeWidgetItem *> rows;
    if (*outcome)
        rows = makeResultRows(std::make_shared<const SearchHits>(std::move(*outcome).value().hits));
    m_lv1->addTopLevelItems(rows); // one insertion: the list lays out and repaints once
    m_txtSearch->clear();

    if (*outcome)
        statusBar()->showMessage(QStringLiteral("검색 결과 %1건").arg(rows.size()));
    else
        statusBar()->showMessage(QStringLiteral("검색 실패: %1").arg(failureText(outcome->why())));
}

void FrmMain::LV1_DblClick()
{
    const QString gradeText = m_cr1->currentText();
    const std::optional<int> grade = gradeNumber(gradeText.toStdString());
    if (!grade) {
        QMessageBox box(QMessageBox::Critical, QString(), QStringLiteral("등급을 설정해주세요."), QMessageBox::Ok, this);
        box.exec();
        return;
    }

    const QList<QTreeWidgetItem *> selected = m_lv1->selectedItems();
    if (selected.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("추가할 검색 결과가 선택되지 않았습니다"));
        return;
    }
    const QTreeWidgetItem *hit = selected.first();
    const QString name = hit->text(0);
    const QString kind = hit->text(1);
    const std::string detailAddress = hit->text(3).toStdString();
    HttpRequester &site = requester();
    std::optional<Outcome<ItemStats, ItemFetchFailure>> stats;
    waitForSite([&] { stats.emplace(fetchItemStats(site, detailAddress, *grade)); });

    // An item whose stats could not be read is still added, with an empty stat text.
    const QString statText = *stats ? qs(stats->value().statText) : QString();
    const EquipmentRow row{name.toStdString(), kind.toStdString(), statText.toStdString(), gradeText.toStdString(), {}};
    const int position = m_lv2->topLevelItemCount();
    insertEquipmentRows(position, {row});
    m_history.record({ListChange::Kind::add, position, {row}});

    const QString added = QStringLiteral("추가: %1 (%2)").arg(isolated(name), gradeText);
    statusBar()->showMessage(*stats ? added
                                    : QStringLiteral("%1 - 능력치 없음: %2").arg(added, fetchFailureText(stats->why())));
}

void FrmMain::LV2_DblClick()
{
    const QList<QTreeWidgetItem *> selected = m_lv2->selectedItems();
    if (selected.isEmpty())
        return;
    const int position = m_lv2->indexOfTopLevelItem(selected.first());
    m_history.record({ListChange::Kind::remove, position, {equipmentRow(position)}});
    removeEquipmentRows(position, 1);
}

void FrmMain::LV2Reset_Click()
{
    // Clearing an empty list changes nothing, so there is nothing to undo either.
    if (m_lv2->topLevelItemCount() > 0)
        m_history.record({ListChange::Kind::clear, 0, equipmentRows()});
    m_lv2->clear();
}

void FrmMain::Check1_Click(int index)
{
    if (index < 0 || index >= bonusBoxCount)
        return;
    QCheckBox *box = m_check1[static_cast<std::size_t>(index)];
    if (!box->isChecked()) {
        box->setText(qs(*switchBonusOff(m_bonus, index)));
        return;
    }
    bool accepted = false;
    QString typed = QInputDialog::getText(this, QString(), qs(*bonusPrompt(index)), QLineEdit::Normal,
                                          QStringLiteral("5"), &accepted);
    if (!accepted)
        typed.clear();
    box->setText(qs(*switchBonusOn(m_bonus, index, typed.toStdString())));
}

void FrmMain::Command1_Click()
{
    for (int i = 0; i < statLabelCount; ++i)
        m_lab1[static_cast<std::size_t>(i)]->setText(qs(statResetCaptions[static_cast<std::size_t>(i)]));

    const ExplainedStats stats =
        explainExpectedStats(equipmentRows(), m_bonus, m_lastTotals ? &*m_lastTotals : nullptr);

    // 생명력 (12) is written before 활력 (11).
    constexpr int order[statLabelCount] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 11};
    for (int i : order) {
        const auto at = static_cast<std::size_t>(i);
        m_lab1[at]->setText(qs(stats.captions[at]));
        m_lab1[at]->setToolTip(plainTooltip(stats.explanations[at]));
    }
    statusBar()->showMessage(qs(calculationStatus(m_lastTotals ? &*m_lastTotals : nullptr, stats.captions)));
    m_lastTotals = stats.captions;
}

void FrmMain::Command2_Click()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("추가 사용법"), usageText, QMessageBox::Ok, this);
    box.exec();
}

EquipmentRow FrmMain::equipmentRow(int index) const
{
    const QTreeWidgetItem *item = m_lv2->topLevelItem(index);
    return {item->text(nameColumn).toStdString(), item->text(kindColumn).toStdString(),
            item->text(statTextColumn).toStdString(), item->text(gradeColumn).toStdString(),
            item->text(priceColumn).toStdString()};
}

std::vector<EquipmentRow> FrmMain::equipmentRows() const
{
    std::vector<EquipmentRow> rows;
    rows.reserve(static_cast<std::size_t>(m_lv2->topLevelItemCount()));
    for (int i = 0; i < m_lv2->topLevelItemCount(); ++i)
        rows.push_back(equipmentRow(i));
    return rows;
}

void FrmMain::insertEquipmentRows(int position, const std::vector<EquipmentRow> &rows)
{
    QList<QTreeWidgetItem *> items;
    for (const EquipmentRow &row : rows)
        items << new QTreeWidgetItem(
            QStringList{qs(row.itemName), qs(row.kind), qs(row.statText), qs(row.grade), qs(row.auctionUnitPrice)});
    m_lv2->insertTopLevelItems(position, items);
}

void FrmMain::removeEquipmentRows(int position, int count)
{
    for (int i = 0; i < count; ++i)
        delete m_lv2->takeTopLevelItem(position);
}

QString FrmMain::changeDescription(const ListChange &change)
{
    const auto count = static_cast<qsizetype>(change.rows.size());
    switch (change.kind) {
    case ListChange::Kind::add:
        return QStringLiteral("추가 %1").arg(isolated(qs(change.rows.front().itemName)));
    case ListChange::Kind::remove:
        return QStringLiteral("삭제 %1").arg(isolated(qs(change.rows.front().itemName)));
    case ListChange::Kind::clear:
        return QStringLiteral("목록초기화 (%1개)").arg(count);
    case ListChange::Kind::paste:
        return QStringLiteral("붙여넣기 (%1개)").arg(count);
    }
    return {};
}

void FrmMain::undoListChange()
{
    const std::optional<ListChange> change = m_history.undo();
    if (!change) {
        statusBar()->showMessage(QStringLiteral("되돌릴 변경이 없습니다"));
        return;
    }
    applyListChange(*change, false);
    statusBar()->showMessage(QStringLiteral("되돌림: %1").arg(changeDescription(*change)));
}

void FrmMain::redoListChange()
{
    const std::optional<ListChange> change = m_history.redo();
    if (!change) {
        statusBar()->showMessage(QStringLiteral("다시 실행할 변경이 없습니다"));
        return;
    }
    applyListChange(*change, true);
    statusBar()->showMessage(QStringLiteral("다시 실행: %1").arg(changeDescription(*change)));
}

void FrmMain::applyListChange(const ListChange &change, bool forward)
{
    // An add or a paste put rows in; a removal or a clear took them out. Made again, a change
    // does what it did; taken back, the opposite.
    const bool addedRows = change.kind == ListChange::Kind::add || change.kind == ListChange::Kind::paste;
    if (addedRows == forward)
        insertEquipmentRows(change.position, change.rows);
    else
        removeEquipmentRows(change.position, static_cast<int>(change.rows.size()));
}

void FrmMain::copyEquipmentList()
{
    const std::vector<EquipmentRow> rows = equipmentRows();
    const std::string text = equipmentListText(rows, m_lastTotals ? &*m_lastTotals : nullptr);
    QGuiApplication::clipboard()->setText(qs(text));
    statusBar()->showMessage(QStringLiteral("복사: %1개").arg(rows.size()));
}

void FrmMain::pasteEquipmentList()
{
    const PastedRows pasted = parseEquipmentList(QGuiApplication::clipboard()->text().toStdString());
    if (!pasted.rows.empty()) {
        const int position = m_lv2->topLevelItemCount();
        insertEquipmentRows(position, pasted.rows);
        m_history.record({ListChange::Kind::paste, position, pasted.rows});
    }
    QString message = QStringLiteral("붙여넣기: %1개 추가").arg(pasted.rows.size());
    if (pasted.ignoredLines > 0)
        message += QStringLiteral(", %1줄 무시").arg(pasted.ignoredLines);
    statusBar()->showMessage(message);
}
