#include "app/FrmMain.h"

#include <QAction>
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

#include <string>
#include <utility>

#include "app/FailureText.h"
#include "app/NetworkWait.h"
#include "itemdb/HttpRequester.h"
#include "itemdb/ItemDatabase.h"
#include "stats/ExpectedStats.h"
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

QString fetchProblem(const ItemStatsOutcome &outcome)
{
    if (!outcome.failedStep)
        return {};
    switch (*outcome.failedStep) {
    case ItemFetchStep::itemPage:
        return QStringLiteral("아이템 페이지 요청 실패 (%1)").arg(failureText(outcome.failure));
    case ItemFetchStep::gradeLink:
        return QStringLiteral("아이템 페이지에서 이 등급의 링크를 찾지 못함");
    case ItemFetchStep::tooltipPage:
        return QStringLiteral("툴팁 페이지 요청 실패 (%1)").arg(failureText(outcome.failure));
    }
    return {};
}

} // namespace

QList<QTreeWidgetItem *> velmora::makeResultRows(const std::vector<SearchResultRow> &hits)
{
    // Every row starts as a copy of one blank four-column row: a copy shares the blank's column
    // storage and, once its texts are set, holds exactly four of them. A row built column by
    // column keeps room for seven texts and a column list of its own.
    const QTreeWidgetItem blank(QStringList{QString(), QString(), QString(), QString()});
    QList<QTreeWidgetItem *> rows;
    rows.reserve(static_cast<qsizetype>(hits.size()));
    for (const SearchResultRow &hit : hits) {
        auto *row = new QTreeWidgetItem(blank);
        row->setText(0, qs(hit.itemName));
        row->setText(1, qs(hit.kind));
        row->setText(2, qs(hit.options));
        row->setText(3, qs(hit.detailAddress));
        rows.append(row);
    }
    return rows;
}

FrmMain::FrmMain(QWidget *parent) : FrmMain(QString::fromUtf8(config::siteBase), parent) {}

FrmMain::FrmMain(const QString &siteBase, QWidget *parent) : QMainWindow(parent), m_siteBase(siteBase)
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

    m_command2 = makeButton(client, "Command2", "추가 사용법", twipRect(9960, 100, 1215, 375));

    m_lv1 = makeList(client, "LV1", {resultColumns[0], resultColumns[1], resultColumns[2], resultColumns[3]});
    m_lv1->setGeometry(twipRect(120, 600, 11055, 4455));
    m_lv1->setAccessibleName(QStringLiteral("검색 결과"));
    m_lv1->viewport()->installEventFilter(this);

    m_lv2 = makeList(client, "LV2",
                     {equipmentColumns[0], equipmentColumns[1], equipmentColumns[2], equipmentColumns[3],
                      equipmentColumns[4]});
    m_lv2->setGeometry(twipRect(120, 5160, 11055, 2895));
    m_lv2->setAccessibleName(QStringLiteral("장비 목록"));
    m_lv2->viewport()->installEventFilter(this);

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
        m_requester = std::make_unique<HttpRequester>();
    return *m_requester;
}

void FrmMain::runHandler(std::function<void()> handler)
{
    if (m_handlerRunning) {
        m_heldBack.push_back(std::move(handler));
        return;
    }
    m_handlerRunning = true;
    handler();
    while (!m_heldBack.empty()) {
        std::function<void()> next = std::move(m_heldBack.front());
        m_heldBack.erase(m_heldBack.begin());
        next();
    }
    m_handlerRunning = false;
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
    m_lv1->clear();
    const std::u16string term = m_txtSearch->text().toStdU16String();
    const std::string siteBase = m_siteBase.toStdString();
    HttpRequester &site = requester();
    SearchOutcome outcome;
    QList<QTreeWidgetItem *> rows;
    // The rows are made on the network thread as well: for thousands of hits that takes several
    // times as long as adding them to the list, which is all that is left for this thread.
    waitWithoutFreezing([&] {
        outcome = searchItems(site, siteBase, term);
        rows = makeResultRows(outcome.rows);
        // The hits are let go here, so the window's thread does not free them.
        outcome.rows = {};
        outcome.texts.reset();
    });

    m_lv1->addTopLevelItems(rows); // one insertion: the list lays out and repaints once
    m_txtSearch->clear();

    if (outcome.failure == RequestFailure::none)
        statusBar()->showMessage(QStringLiteral("검색 결과 %1건").arg(rows.size()));
    else
        statusBar()->showMessage(QStringLiteral("검색 실패: %1").arg(failureText(outcome.failure)));
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
    ItemStatsOutcome outcome;
    waitWithoutFreezing([&] { outcome = fetchItemStats(site, detailAddress, *grade); });

    auto *row = new QTreeWidgetItem(QStringList{name, kind, qs(outcome.statText), gradeText, QString()});
    m_lv2->addTopLevelItem(row);

    const QString added = QStringLiteral("추가: %1 (%2)").arg(name, gradeText);
    const QString problem = fetchProblem(outcome);
    statusBar()->showMessage(problem.isEmpty() ? added
                                               : QStringLiteral("%1 - 능력치 없음: %2").arg(added, problem));
}

void FrmMain::LV2_DblClick()
{
    const QList<QTreeWidgetItem *> selected = m_lv2->selectedItems();
    if (selected.isEmpty())
        return;
    delete m_lv2->takeTopLevelItem(m_lv2->indexOfTopLevelItem(selected.first()));
}

void FrmMain::LV2Reset_Click() { m_lv2->clear(); }

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

    std::vector<std::string> statTexts;
    statTexts.reserve(static_cast<std::size_t>(m_lv2->topLevelItemCount()));
    for (int i = 0; i < m_lv2->topLevelItemCount(); ++i)
        statTexts.push_back(m_lv2->topLevelItem(i)->text(statTextColumn).toStdString());
    const StatTotals totals = calculateExpectedStats(statTexts, m_bonus);

    // 생명력 (12) is written before 활력 (11).
    constexpr int order[statLabelCount] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 11};
    for (int i : order)
        m_lab1[static_cast<std::size_t>(i)]->setText(qs(totals[static_cast<std::size_t>(i)]));
}

void FrmMain::Command2_Click()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("추가 사용법"), usageText, QMessageBox::Ok, this);
    box.exec();
}
