#include "app/FrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QInputDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QFontMetrics>
#include <QColor>
#include <QStandardPaths>
#include <QTimer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>
#include <string>
#include <utility>

#include "app/Controls.h"
#include "app/FailureText.h"
#include "app/ItemSearch.h"
#include "app/Preview.h"
#include "app/RankingWindow.h"
#include "app/SetFiles.h"
#include "stats/EquipmentList.h"
#include "stats/ExpectedStats.h"
#include "stats/Grades.h"
#include "stats/SiteText.h"
#include "stats/StatChanges.h"
#include "velmora_config.h"

using namespace velmora;

namespace {

constexpr Column equipmentColumns[] = {
    {"아이템명", 4939}, {"종류", 2469}, {"옵션", 7056}, {"등급", 1323}, {"경매장단가", 3528}};

// Top of each bonus box in its frame, by box index.
constexpr int checkTopTwips[bonusBoxCount] = {360, 1800, 720, 1080, 2160, 2520, 2880, 3240, 1440, 3600};

struct StatLabel {
    const char *caption; // shown until the first calculation
    int left, top, width;
};
constexpr StatLabel statLabels[statLabelCount] = {
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

// A key on its own or from the number pad, without any other modifier.
bool isPlain(const QKeyEvent *key, Qt::Key which)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    return modifiers == Qt::NoModifier && key->key() == which;
}

bool isEnter(const QKeyEvent *key) { return isPlain(key, Qt::Key_Return) || isPlain(key, Qt::Key_Enter); }

bool isShiftEnter(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    return modifiers == Qt::ShiftModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
}


// The first local file among what is dropped on the window; "" when there is none.
QString droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

const QString setFileSuffix = QStringLiteral(".velmora");

// A file's name in one of the window's own messages: "⁨내 세트.velmora⁩".
QString fileName(const QString &path) { return isolated(QFileInfo(path).fileName()); }


// The error status an item's fetch met, whether or not it gave stats.
int errorStatusOf(const Outcome<ItemStats, ItemFetchFailure> &stats)
{
    return stats ? stats.value().errorStatus : stats.why().errorStatus;
}

QTreeWidgetItem *equipmentItem(const EquipmentRow &row)
{
    return new QTreeWidgetItem(
        QStringList{qs(row.itemName), qs(row.kind), qs(row.statText), qs(row.grade), qs(row.auctionUnitPrice)});
}

} // namespace

FrmMain::FrmMain(QWidget *parent) : FrmMain(QString::fromUtf8(config::siteBase), parent) {}

FrmMain::FrmMain(const QString &siteBase, QWidget *parent) : FrmMain(siteBase, RequestLimits{}, parent) {}

FrmMain::FrmMain(const QString &siteBase, const RequestLimits &limits, QWidget *parent)
    : QMainWindow(parent),
      m_handlers([this](const std::string &what) {
          statusBar()->showMessage(QStringLiteral("처리 중 오류가 발생했습니다: %1").arg(qs(what)));
      })
{
    QFont font;
    // 맑은 고딕 is Windows' own; a Windows whose language is not Korean lists it under its English
    // name. There is none outside Windows: the next faces keep every control in one Hangul font.
    font.setFamilies({QStringLiteral("맑은 고딕"), QStringLiteral("Malgun Gothic"), QStringLiteral("NanumGothic"),
                      QStringLiteral("Noto Sans CJK KR")});
    font.setPointSize(9);
    setFont(font);
    // The program's icon, unless the application already has it (main() sets it once for every
    // window and box; reading the image again would cost start-up time for nothing).
    if (QApplication::windowIcon().isNull())
        setWindowIcon(QIcon(QString::fromLatin1(velmora::iconResource)));
    setWindowTitle(QStringLiteral("벨모라 아이템 시뮬레이터 - ver 1.3"));

    auto *client = new QWidget(this);
    client->setFixedSize(px(15510), px(8175));
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    buildControls();
    m_search = std::make_unique<ItemSearch>(client, siteBase, limits,
                                            [this](QTreeWidget *list) { prepareResultList(list); });
    // The result list stands between 추가 사용법 and the equipment list, as drawn.
    m_search->list()->stackUnder(m_lv2);
    connect(m_search.get(), &ItemSearch::listReplaced, this, [this] { applyTabOrder(); });
    applyTabOrder();

    connect(&m_set, &EquipmentSet::rowsInserted, this, &FrmMain::showInsertedRows);
    connect(&m_set, &EquipmentSet::rowsRemoved, this, &FrmMain::showRemovedRows);
    connect(&m_set, &EquipmentSet::bonusChanged, this, &FrmMain::showBonus);
    connect(&m_set, &EquipmentSet::replaced, this, &FrmMain::showEquipmentSet);
    Form_Load();

    // The player's work is kept without asking: every change is written as it is made.
    m_keeper = std::make_unique<WorkingSetKeeper>(m_set, workingSetPath());
    // Said for as long as it lasts, beside the status text, which later messages replace.
    m_keepWarning = new QLabel(statusBar());
    m_keepWarning->setObjectName(QStringLiteral("keepWarning"));
    m_keepWarning->setTextFormat(Qt::PlainText);
    QFont bold = font;
    bold.setBold(true);
    m_keepWarning->setFont(bold);
    QPalette red = m_keepWarning->palette();
    red.setColor(QPalette::WindowText, QColor(0xB0, 0, 0));
    m_keepWarning->setPalette(red);
    m_keepWarning->hide();
    statusBar()->addPermanentWidget(m_keepWarning);
    connect(m_keeper.get(), &WorkingSetKeeper::failureChanged, this, [this](const QString &why) {
        // The window keeps its size: the label takes at most half of its width, a longer reason
        // (a folder's path) shortened in the middle, and said whole in the tooltip and to a
        // screen reader.
        const QString text = QStringLiteral("목록을 보관하지 못하고 있습니다: %1").arg(why);
        const QFontMetrics metrics = m_keepWarning->fontMetrics();
        const QString shown = metrics.elidedText(text, Qt::ElideMiddle, centralWidget()->width() / 2);
        m_keepWarning->setText(shown);
        m_keepWarning->setFixedWidth(metrics.horizontalAdvance(shown) + m_keepWarning->margin() * 2 + 4);
        m_keepWarning->setToolTip(text);
        m_keepWarning->setAccessibleName(text);
        m_keepWarning->setVisible(!why.isEmpty());
    });
    setAcceptDrops(true);
}

void FrmMain::restoreWorkingSet()
{
    if (const QString restored = m_keeper->restore(); !restored.isEmpty())
        statusBar()->showMessage(restored);
}

FrmMain::~FrmMain() = default;

void FrmMain::buildControls()
{
    QWidget *client = centralWidget();
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
    connect(m_cr1, &QComboBox::currentTextChanged, this, &FrmMain::rankingFollowsGrade);

    m_command2 = makeButton(client, "Command2", "추가 사용법", twipRect(9960, 100, 1215, 375));

    m_lv2 = makeList(client, "LV2",
                     {equipmentColumns[0], equipmentColumns[1], equipmentColumns[2], equipmentColumns[3],
                      equipmentColumns[4]});
    m_lv2->setGeometry(twipRect(120, 5160, 11055, 2895));
    m_lv2->setAccessibleName(QStringLiteral("장비 목록"));
    m_lv2->viewport()->installEventFilter(this);
    m_lv2->installEventFilter(this); // Delete, copy and paste
    m_lv2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lv2, &QWidget::customContextMenuRequested, this, &FrmMain::showListMenu);

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
    m_undo = makeWindowAction(this, "undo", {QKeySequence(Qt::ControlModifier | Qt::Key_Z)});
    m_redo = makeWindowAction(this, "redo", {redoKeys[0], redoKeys[1]});
    m_open = makeWindowAction(this, "open", {QKeySequence(Qt::ControlModifier | Qt::Key_O)});
    m_save = makeWindowAction(this, "save", {QKeySequence(Qt::ControlModifier | Qt::Key_S)});
    m_saveAs = makeWindowAction(this, "saveAs", {QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_S)});
    m_reference = makeWindowAction(this, "reference", {QKeySequence(Qt::ControlModifier | Qt::Key_B)});
    m_rankHits = makeWindowAction(this, "rankHits", {QKeySequence(Qt::ControlModifier | Qt::Key_R)});
    const std::pair<QAction *, void (FrmMain::*)()> keyHandlers[] = {
        {m_undo, &FrmMain::undoListChange}, {m_redo, &FrmMain::redoListChange}, {m_open, &FrmMain::openSet},
        {m_save, &FrmMain::saveSet},        {m_saveAs, &FrmMain::saveSetAs},   {m_reference, &FrmMain::toggleReference},
        {m_rankHits, &FrmMain::rankHits},
    };
    for (const auto &[action, handler] : keyHandlers)
        connect(action, &QAction::triggered, this, [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });

    statusBar()->setSizeGripEnabled(false);
    // Screen readers read the status bar by its name: keep it saying what the bar shows.
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(), &QWidget::setAccessibleName);
}

void FrmMain::Form_Load()
{
    for (std::string_view grade : grades)
        m_cr1->addItem(qs(grade));
    m_cr1->setCurrentIndex(-1);
    m_cr1->setEditText(qs(gradePlaceholder));
}

QString FrmMain::rank(qint16 num) const { return qs(gradeName(num)); }

void FrmMain::runHandler(std::function<void()> handler) { m_handlers.run(std::move(handler)); }

void FrmMain::closeEvent(QCloseEvent *event)
{
    // The latest work is tried once more; when it still cannot be kept, the player chooses
    // before it is lost.
    if (!m_keeper->writePending() && !confirmCloseUnkept()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        m_handlers.close();
        if (m_ranking)
            m_ranking->close();
    }
}

bool FrmMain::confirmCloseUnkept()
{
    QMessageBox box(QMessageBox::Question, QString(),
                    QStringLiteral("목록을 보관하지 못하고 있습니다: %1\n"
                                   "이대로 닫으면 마지막 변경이 사라집니다. 닫기 전에 세트를 파일로 저장하시겠습니까?")
                        .arg(m_keeper->failure()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Discard:
        return true;
    case QMessageBox::Save: {
        const QString path = askForSetFile(true);
        return !path.isEmpty() && saveSetTo(path);
    }
    default:
        return false;
    }
}

void FrmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void FrmMain::dropEvent(QDropEvent *event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over: a box about a file that cannot be opened must not hold up
    // the program the file was dragged from.
    QTimer::singleShot(0, this, [this, path] { runHandler([this, path] { openSetFile(path); }); });
}

void FrmMain::comeForward(const QString &path)
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    // Through the queue, as a drop is: after the handler that runs now, if one does.
    if (!path.isEmpty())
        QTimer::singleShot(0, this, [this, path] { runHandler([this, path] { openSetFile(path); }); });
}

void FrmMain::prepareResultList(QTreeWidget *list)
{
    list->viewport()->installEventFilter(this);
    list->installEventFilter(this); // Enter adds the selected hit, as a double-click does
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint &at) { showHitMenu(list, at); });
    connect(list->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { runHandler([this, column] { m_search->sortBy(column); }); });
}

void FrmMain::applyTabOrder()
{
    QList<QWidget *> order = {m_txtSearch, m_cmdSearch, m_cr1, m_command2, m_search->list(), m_lv2};
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
    if (event->type() == QEvent::KeyPress && listKey(watched, static_cast<QKeyEvent *>(event)))
        return true;
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (m_search && watched == m_search->list()->viewport()) {
            if (static_cast<QMouseEvent *>(event)->modifiers() & Qt::ShiftModifier)
                runHandler([this] { replaceWithHit(); });
            else
                runHandler([this] { LV1_DblClick(); });
        }
        else if (watched == m_lv2->viewport())
            runHandler([this] { LV2_DblClick(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

bool FrmMain::listKey(QObject *watched, const QKeyEvent *key)
{
    // The lists' own keys, taken before the list's default handling (which would copy one cell).
    std::function<void()> handler;
    if (m_search && watched == m_search->list() && isEnter(key))
        handler = [this] { LV1_DblClick(); };
    else if (m_search && watched == m_search->list() && isShiftEnter(key))
        handler = [this] { replaceWithHit(); };
    else if (m_search && watched == m_search->list() && isPlain(key, Qt::Key_Space))
        handler = [this] { previewHit(); };
    else if (watched == m_lv2 && isPlain(key, Qt::Key_Delete))
        handler = [this] { LV2_DblClick(); };
    else if (watched == m_lv2 && key->matches(QKeySequence::Copy))
        handler = [this] { copyEquipmentList(); };
    else if (watched == m_lv2 && key->matches(QKeySequence::Paste))
        handler = [this] { pasteEquipmentList(); };
    if (!handler)
        return false;
    // A held key repeats: while an add waits for the site the repeats would queue up, and each
    // would add the item once more. A key does its work once per press.
    if (!key->isAutoRepeat())
        runHandler(std::move(handler));
    return true;
}

void FrmMain::txtSearch_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        cmdSearch_Click();
}

void FrmMain::cmdSearch_Click()
{
    const ItemSearch::Searched searched = m_search->search(m_txtSearch->text());
    m_txtSearch->clear();
    if (searched.failure) {
        statusBar()->showMessage(QStringLiteral("검색 실패: %1").arg(failureText(*searched.failure)));
        return;
    }
    // An error page cut like any other gives no hits: say what the site answered, so that the
    // player does not take it for an item that does not exist.
    statusBar()->showMessage(withSiteStatus(QStringLiteral("검색 결과 %1건").arg(searched.hits), searched.status));
    rankingFollowsSearch();
}

std::optional<int> FrmMain::chosenGrade()
{
    const std::optional<int> grade = gradeNumber(m_cr1->currentText().toStdString());
    if (!grade) {
        QMessageBox box(QMessageBox::Critical, QString(), QStringLiteral("등급을 설정해주세요."), QMessageBox::Ok, this);
        box.exec();
    }
    return grade;
}

void FrmMain::LV1_DblClick()
{
    const QString gradeText = m_cr1->currentText();
    const std::optional<int> grade = chosenGrade();
    if (!grade)
        return;
    const std::optional<ItemSearch::Hit> hit = m_search->selectedHit();
    if (!hit) {
        statusBar()->showMessage(QStringLiteral("추가할 검색 결과가 선택되지 않았습니다"));
        return;
    }
    const Outcome<ItemStats, ItemFetchFailure> stats = m_search->fetchStats(hit->address, *grade);

    // An item whose stats could not be read is still added, with an empty stat text.
    const std::string statText = stats ? stats.value().statText : std::string();
    m_set.append({{hit->name.toStdString(), hit->kind.toStdString(), statText, gradeText.toStdString(), {}},
                  hit->address});

    QString message = QStringLiteral("추가: %1 (%2)").arg(isolated(hit->name), gradeText);
    const int errorStatus = errorStatusOf(stats);
    if (!stats)
        message = QStringLiteral("%1 - 능력치 없음: %2").arg(message, fetchFailureText(stats.why()));
    else if (errorStatus != 0 && statText.empty())
        message += QStringLiteral(", 능력치 없음");
    statusBar()->showMessage(withSiteStatus(message, errorStatus));
}

void FrmMain::LV2_DblClick()
{
    const QList<QTreeWidgetItem *> selected = m_lv2->selectedItems();
    if (!selected.isEmpty())
        m_set.remove(m_lv2->indexOfTopLevelItem(selected.first()));
}

void FrmMain::LV2Reset_Click() { m_set.clear(); }

void FrmMain::Check1_Click(int index)
{
    if (index < 0 || index >= bonusBoxCount)
        return;
    if (!m_check1[static_cast<std::size_t>(index)]->isChecked()) {
        m_set.switchBonusOff(index);
        return;
    }
    bool accepted = false;
    QString typed = QInputDialog::getText(this, QString(), qs(*bonusPrompt(index)), QLineEdit::Normal,
                                          QStringLiteral("5"), &accepted);
    if (!accepted)
        typed.clear();
    m_set.switchBonusOn(index, typed.toStdString());
}

void FrmMain::Command1_Click()
{
    for (int i = 0; i < statLabelCount; ++i)
        m_lab1[static_cast<std::size_t>(i)]->setText(qs(statResetCaptions[static_cast<std::size_t>(i)]));

    // With a reference pinned, every calculation is compared with it instead of the one before.
    const std::optional<StatTotals> &reference = m_set.reference();
    const ExplainedStats stats =
        reference ? explainExpectedStats(m_set.equipmentRows(), m_set.bonus(), &*reference, Comparison::reference)
                  : explainExpectedStats(m_set.equipmentRows(), m_set.bonus(), m_lastTotals ? &*m_lastTotals : nullptr);

    // 생명력 (12) is written before 활력 (11).
    constexpr int order[statLabelCount] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 11};
    for (int i : order) {
        const auto at = static_cast<std::size_t>(i);
        m_lab1[at]->setText(qs(stats.captions[at]));
        m_lab1[at]->setToolTip(plainTooltip(stats.explanations[at]));
    }
    statusBar()->showMessage(qs(reference ? referenceStatus(*reference, stats.captions)
                                          : calculationStatus(m_lastTotals ? &*m_lastTotals : nullptr, stats.captions)));
    m_lastTotals = stats.captions;
}

void FrmMain::Command2_Click()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("추가 사용법"), usageText, QMessageBox::Ok, this);
    box.exec();
}

void FrmMain::undoListChange() { moveThroughHistory(false); }

void FrmMain::redoListChange() { moveThroughHistory(true); }

void FrmMain::moveThroughHistory(bool forward)
{
    QUndoStack &history = m_set.history();
    if (!(forward ? history.canRedo() : history.canUndo())) {
        statusBar()->showMessage(forward ? QStringLiteral("다시 실행할 변경이 없습니다")
                                         : QStringLiteral("되돌릴 변경이 없습니다"));
        return;
    }
    const QString change = forward ? history.redoText() : history.undoText();
    if (forward)
        history.redo();
    else
        history.undo();
    statusBar()->showMessage((forward ? QStringLiteral("다시 실행: %1") : QStringLiteral("되돌림: %1")).arg(change));
}

void FrmMain::copyEquipmentList()
{
    const std::vector<EquipmentRow> rows = m_set.equipmentRows();
    // The captions that go with these rows and bonuses now, worked out as 계산 does: the last
    // calculation's may be of another list. None before the player has asked for any.
    std::optional<StatTotals> captions;
    if (m_lastTotals)
        captions = explainExpectedStats(rows, m_set.bonus()).captions;
    const std::string text = equipmentListText(rows, captions ? &*captions : nullptr);
    QGuiApplication::clipboard()->setText(qs(text));
    statusBar()->showMessage(QStringLiteral("복사: %1개").arg(rows.size()));
}

void FrmMain::pasteEquipmentList()
{
    const PastedRows pasted = parseEquipmentList(QGuiApplication::clipboard()->text().toStdString());
    std::vector<SetRow> rows;
    rows.reserve(pasted.rows.size());
    for (const EquipmentRow &row : pasted.rows)
        rows.push_back({row, {}});
    m_set.paste(std::move(rows));
    QString message = QStringLiteral("붙여넣기: %1개 추가").arg(pasted.rows.size());
    if (pasted.ignoredLines > 0)
        message += QStringLiteral(", %1줄 무시").arg(pasted.ignoredLines);
    statusBar()->showMessage(message);
}

void FrmMain::showInsertedRows(int position, int count)
{
    QList<QTreeWidgetItem *> items;
    items.reserve(count);
    for (int i = position; i < position + count; ++i)
        items << equipmentItem(m_set.rows()[static_cast<std::size_t>(i)].row);
    m_lv2->insertTopLevelItems(position, items);
}

void FrmMain::showRemovedRows(int position, int count)
{
    for (int i = 0; i < count; ++i)
        delete m_lv2->takeTopLevelItem(position);
}

void FrmMain::showBonus(int index)
{
    const auto at = static_cast<std::size_t>(index);
    QCheckBox *box = m_check1[at];
    const BonusState &bonuses = m_set.bonuses();
    // Only the mirror of what the set says: not the player's click that would ask for an amount.
    const QSignalBlocker quiet(box);
    box->setChecked(bonuses.texts[at].has_value());
    box->setText(qs(bonuses.captions[at]));
}

void FrmMain::showEquipmentSet()
{
    m_lv2->clear();
    showInsertedRows(0, m_set.rowCount());
    for (int i = 0; i < bonusBoxCount; ++i)
        showBonus(i);
}

void FrmMain::showListMenu(const QPoint &at)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("LV2Menu"));
    // Each entry shows its key and does what the key does.
    const auto add = [&](const char *text, const QKeySequence &key, void (FrmMain::*handler)(), bool enabled) {
        QAction *entry = menu.addAction(QString::fromUtf8(text));
        entry->setShortcut(key);
        entry->setShortcutVisibleInContextMenu(true);
        entry->setEnabled(enabled);
        connect(entry, &QAction::triggered, this, [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });
    };
    const bool selected = !m_lv2->selectedItems().isEmpty();
    add("삭제", QKeySequence(Qt::Key_Delete), &FrmMain::LV2_DblClick, selected);
    add("복사", QKeySequence::Copy, &FrmMain::copyEquipmentList, true);
    add("붙여넣기", QKeySequence::Paste, &FrmMain::pasteEquipmentList, true);
    menu.addSeparator();
    add("되돌리기", m_undo->shortcut(), &FrmMain::undoListChange, m_set.history().canUndo());
    add("다시 실행", m_redo->shortcut(), &FrmMain::redoListChange, m_set.history().canRedo());
    menu.addSeparator();
    add("열기", m_open->shortcut(), &FrmMain::openSet, true);
    add("저장", m_save->shortcut(), &FrmMain::saveSet, true);
    add("다른 이름으로 저장", m_saveAs->shortcut(), &FrmMain::saveSetAs, true);
    menu.addSeparator();
    add(m_set.reference() ? "기준 해제" : "기준으로 고정", m_reference->shortcut(), &FrmMain::toggleReference, true);
    menu.exec(m_lv2->viewport()->mapToGlobal(at));
}

void FrmMain::showHitMenu(QTreeWidget *list, const QPoint &at)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("LV1Menu"));
    const bool selected = !list->selectedItems().isEmpty();
    const std::pair<const char *, std::pair<QKeySequence, void (FrmMain::*)()>> entries[] = {
        {"추가", {QKeySequence(Qt::Key_Return), &FrmMain::LV1_DblClick}},
        {"교체", {QKeySequence(Qt::ShiftModifier | Qt::Key_Return), &FrmMain::replaceWithHit}},
        {"미리보기", {QKeySequence(Qt::Key_Space), &FrmMain::previewHit}},
        {"모두 비교", {m_rankHits->shortcut(), &FrmMain::rankHits}},
    };
    for (const auto &[text, keyAndHandler] : entries) {
        QAction *entry = menu.addAction(QString::fromUtf8(text));
        entry->setShortcut(keyAndHandler.first);
        entry->setShortcutVisibleInContextMenu(true);
        // Ranking takes every hit, selected or not.
        entry->setEnabled(keyAndHandler.second == &FrmMain::rankHits ? list->topLevelItemCount() > 0 : selected);
        const auto handler = keyAndHandler.second;
        connect(entry, &QAction::triggered, this, [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });
    }
    menu.exec(list->viewport()->mapToGlobal(at));
}

void FrmMain::previewHit()
{
    const QString gradeText = m_cr1->currentText();
    const std::optional<int> grade = chosenGrade();
    if (!grade)
        return;
    const std::optional<ItemSearch::Hit> hit = m_search->selectedHit();
    if (!hit) {
        statusBar()->showMessage(QStringLiteral("미리볼 검색 결과가 선택되지 않았습니다"));
        return;
    }
    // An item already fetched at this grade this session is previewed without a request.
    std::optional<ItemStats> stats = m_search->keptStats(hit->address, *grade);
    if (!stats) {
        const Outcome<ItemStats, ItemFetchFailure> fetched = m_search->fetchStats(hit->address, *grade);
        if (!fetched) {
            statusBar()->showMessage(withSiteStatus(
                QStringLiteral("미리보기 %1: %2").arg(isolated(hit->name), fetchFailureText(fetched.why())),
                fetched.why().errorStatus));
            return;
        }
        stats = fetched.value();
    }

    const PreviewText preview = describePreview(
        m_set, {hit->name.toStdString(), hit->kind.toStdString(), stats->statText, gradeText.toStdString(), {}});
    statusBar()->showMessage(preview.status);
    m_search->setSelectedHitTooltip(preview.tooltip);
}

void FrmMain::replaceWithHit()
{
    const QString gradeText = m_cr1->currentText();
    const std::optional<ItemSearch::Hit> hit = m_search->selectedHit();
    const std::optional<int> position = hit ? m_set.firstOfKind(hit->kind.toStdString()) : std::nullopt;
    // Nothing of its kind to replace: an add, exactly as Enter makes it.
    if (!position) {
        LV1_DblClick();
        return;
    }
    const std::optional<int> grade = chosenGrade();
    if (!grade)
        return;
    const std::string replacedName = m_set.rows()[static_cast<std::size_t>(*position)].row.itemName;
    const Outcome<ItemStats, ItemFetchFailure> stats = m_search->fetchStats(hit->address, *grade);
    // A good row is never swapped for one without stats.
    if (!stats || stats.value().statText.empty()) {
        QString message = QStringLiteral("교체하지 않음: %1 (%2) - 능력치 없음").arg(isolated(hit->name), gradeText);
        if (!stats)
            message += QStringLiteral(": %1").arg(fetchFailureText(stats.why()));
        statusBar()->showMessage(withSiteStatus(message, errorStatusOf(stats)));
        return;
    }
    const QString change = QStringLiteral("%1 → %2").arg(qs(isolate(replacedName)), isolated(hit->name));
    m_set.replace(*position,
                  {{hit->name.toStdString(), hit->kind.toStdString(), stats.value().statText, gradeText.toStdString(), {}},
                   hit->address},
                  QStringLiteral("교체 %1").arg(change));
    statusBar()->showMessage(withSiteStatus(QStringLiteral("교체: %1 (%2)").arg(change, gradeText), stats.value().errorStatus));
}

void FrmMain::rankHits()
{
    const QString gradeText = m_cr1->currentText();
    const std::optional<int> grade = chosenGrade();
    if (!grade)
        return;
    if (m_ranking && m_ranking->isVisible() && m_ranking->gradeNumber() == *grade) {
        m_ranking->raise();
        m_ranking->activateWindow();
        m_ranking->fillMissing();
        return;
    }
    if (!m_ranking) {
        m_ranking = std::make_unique<RankingWindow>(*m_search, m_set, RankingQueue::siteRequestsPerSecond, this);
        m_ranking->setFont(font());
        m_ranking->setWindowIcon(windowIcon());
        connect(m_ranking.get(), &RankingWindow::addRequested, this,
                [this](const QPersistentModelIndex &at) { runOnHit(at, &FrmMain::LV1_DblClick); });
        connect(m_ranking.get(), &RankingWindow::replaceRequested, this,
                [this](const QPersistentModelIndex &at) { runOnHit(at, &FrmMain::replaceWithHit); });
        connect(m_ranking.get(), &RankingWindow::previewRequested, this,
                [this](const QPersistentModelIndex &at) { runOnHit(at, &FrmMain::previewHit); });
    }
    m_ranking->show();
    m_ranking->raise();
    m_ranking->activateWindow();
    std::vector<RankingModel::Hit> hits;
    for (ItemSearch::ListedHit &listed : m_search->listedHits())
        hits.push_back({listed.hit.name.toStdString(), listed.hit.kind.toStdString(), listed.hit.address, listed.at});
    m_ranking->rank(std::move(hits), m_search->lastTerm(), *grade, gradeText);
}

void FrmMain::rankingFollowsSearch()
{
    if (!m_ranking || !m_ranking->isVisible())
        return;
    const QString gradeText = m_cr1->currentText();
    const std::optional<int> grade = gradeNumber(gradeText.toStdString());
    std::vector<RankingModel::Hit> hits;
    for (ItemSearch::ListedHit &listed : m_search->listedHits())
        hits.push_back({listed.hit.name.toStdString(), listed.hit.kind.toStdString(), listed.hit.address, listed.at});
    // A grade box that names no grade now keeps the table at its own.
    const int number = grade.value_or(m_ranking->gradeNumber());
    m_ranking->rank(std::move(hits), m_search->lastTerm(), number, grade ? gradeText : rank(static_cast<qint16>(number)));
}

void FrmMain::rankingFollowsGrade()
{
    if (!m_ranking || !m_ranking->isVisible())
        return;
    const QString gradeText = m_cr1->currentText();
    if (const std::optional<int> grade = gradeNumber(gradeText.toStdString()); grade && *grade != m_ranking->gradeNumber())
        m_ranking->setGrade(*grade, gradeText);
}

void FrmMain::runOnHit(const QPersistentModelIndex &at, void (FrmMain::*handler)())
{
    // Selected when its turn comes: a handler still running reads the hit it was started on.
    runHandler([this, at, handler] {
        if (m_search->selectHit(at))
            (this->*handler)();
    });
}

void FrmMain::toggleReference()
{
    if (m_set.reference()) {
        m_set.setReference(std::nullopt);
        statusBar()->showMessage(QStringLiteral("기준 해제"));
        return;
    }
    m_set.setReference(captionsFor(m_set, m_set.equipmentRows()));
    statusBar()->showMessage(QStringLiteral("기준 고정"));
}

QString FrmMain::askForSetFile(bool toSave)
{
    const QString folder = m_setFile.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                                               : QFileInfo(m_setFile).absolutePath();
    QFileDialog dialog(this, toSave ? QStringLiteral("세트 저장") : QStringLiteral("세트 열기"), folder,
                       QStringLiteral("벨모라 세트 (*.velmora);;모든 파일 (*)"));
    dialog.setObjectName(QStringLiteral("setFileDialog"));
    dialog.setAcceptMode(toSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(toSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (toSave)
        dialog.setDefaultSuffix(setFileSuffix.mid(1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString path = dialog.selectedFiles().constFirst();
    if (toSave && !path.endsWith(setFileSuffix, Qt::CaseInsensitive))
        path += setFileSuffix;
    return path;
}

void FrmMain::openSet()
{
    if (const QString path = askForSetFile(false); !path.isEmpty())
        openSetFile(path);
}

void FrmMain::openSetFile(const QString &path)
{
    ReadSet read = readSetFileAt(path);
    if (!read.data) {
        // A file handed over by someone else changes nothing unless it is a whole, valid set.
        QMessageBox box(QMessageBox::Critical, QString(),
                        QStringLiteral("%1 파일을 열 수 없습니다.\n%2").arg(fileName(path), read.problem),
                        QMessageBox::Ok, this);
        box.exec();
        statusBar()->showMessage(QStringLiteral("열기 실패: %1").arg(fileName(path)));
        return;
    }
    EquipmentSetData &data = *read.data;
    const std::size_t count = data.rows.size();
    m_set.replaceAll(std::move(data.rows), data.bonuses, std::move(data.reference), data.weights,
                     QStringLiteral("열기 %1").arg(fileName(path)));
    m_setFile = QFileInfo(path).absoluteFilePath();
    statusBar()->showMessage(QStringLiteral("열기: %1 (%2개)").arg(fileName(path)).arg(count));
}

void FrmMain::saveSet()
{
    if (m_setFile.isEmpty())
        saveSetAs();
    else
        saveSetTo(m_setFile);
}

void FrmMain::saveSetAs()
{
    if (const QString path = askForSetFile(true); !path.isEmpty())
        saveSetTo(path);
}

bool FrmMain::saveSetTo(const QString &path)
{
    const QString why = writeSetFileAt(path, setData(m_set), true);
    if (!why.isEmpty()) {
        QMessageBox box(QMessageBox::Critical, QString(),
                        QStringLiteral("%1 파일을 저장하지 못했습니다.\n%2\n\n%3")
                            .arg(fileName(path), why, isolated(QFileInfo(path).absoluteFilePath())),
                        QMessageBox::Ok, this);
        box.exec();
        statusBar()->showMessage(QStringLiteral("저장 실패: %1").arg(fileName(path)));
        return false;
    }
    m_setFile = QFileInfo(path).absoluteFilePath();
    statusBar()->showMessage(QStringLiteral("저장: %1").arg(fileName(path)));
    return true;
}
