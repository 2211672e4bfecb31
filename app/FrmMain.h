#pragma once

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/EquipmentSet.h"
#include "app/HandlerQueue.h"
#include "itemdb/HttpRequester.h"
#include "stats/BonusSettings.h"
#include "stats/ExpectedStats.h"

class QAction;
class QCloseEvent;
class QCheckBox;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace velmora {
class ItemSearch;
class RankingWindow;
class WorkingSetKeeper;

/// The program's icon in its Qt resources, for the window and every box.
inline constexpr char iconResource[] = ":/velmora/velmora-64.png";
} // namespace velmora

/// The program's one window: search the item database site, collect items at chosen grades into
/// the equipment list, switch on stat bonuses and see the expected stats. Every control carries
/// its name as objectName ("txtSearch", "LV1", "Check1(3)", "lab1(12)", …).
///
/// The window lays the controls out, routes the player's input to its handlers and says in the
/// status bar how each ended. What it shows belongs to others: the equipment set (the rows and
/// the bonuses, with their undo history) to velmora::EquipmentSet, the hits and every request to
/// velmora::ItemSearch; the handlers run one at a time through a velmora::HandlerQueue.
class FrmMain : public QMainWindow {
    Q_OBJECT

public:
    /// The window on the item database site built into the program.
    explicit FrmMain(QWidget *parent = nullptr);
    /// The window on the item database site at `siteBase` ("http://host:port", no trailing "/").
    FrmMain(const QString &siteBase, QWidget *parent = nullptr);
    /// The same with other limits for its requests than the built-in 30 s and 32 MiB.
    FrmMain(const QString &siteBase, const velmora::RequestLimits &limits, QWidget *parent = nullptr);
    /// Lets a request in flight end and stops the network thread, before the application goes.
    ~FrmMain() override;

    /// The name of grade `num` (1 "저급" … 12 "신화"); "" for any other number.
    QString rank(qint16 num) const;

    /// Shows the working set kept when the program last ended (the rows, the bonus boxes, the
    /// reference), with no request and no undo step, and says so in the status bar. The program
    /// does this once, at start; a window made without it starts empty, as a window made in a test
    /// should.
    void restoreWorkingSet();

    /// Opens the set file at `path` in place of the equipment list, the bonuses and the
    /// reference, as one undo step; a file that cannot be opened changes nothing and a box says
    /// why. For Ctrl+O, a file dropped on the window and `velmora FILE`.
    void openSetFile(const QString &path);

    /// Brings the window to the front, no longer minimised, and opens the set file at `path` as
    /// Ctrl+O does ("" only brings it forward). For a set file handed over by a second start.
    void comeForward(const QString &path);

public slots:
    /// Searches the site for the search box's text and lists the hits in LV1.
    void cmdSearch_Click();
    /// A character typed in the search box: Enter (13) searches, any other key only types.
    void txtSearch_KeyPress(int keyAscii);
    /// Adds the selected hit of LV1, at the grade in cr1, to the equipment list.
    void LV1_DblClick();
    /// Removes the selected row of the equipment list.
    void LV2_DblClick();
    /// Clears the equipment list.
    void LV2Reset_Click();
    /// Bonus box `index` was checked or unchecked.
    void Check1_Click(int index);
    /// Shows the expected stats of the equipment list.
    void Command1_Click();
    /// Shows how to use the lists.
    void Command2_Click();

    // Beyond the written window: the player's keys and the equipment list's undo, copy and paste.
    /// Takes back the newest change of the equipment list (Ctrl+Z).
    void undoListChange();
    /// Makes the newest undone change of the equipment list again (Ctrl+Shift+Z, Ctrl+Y).
    void redoListChange();
    /// Puts the equipment list, and once 계산 has been clicked the captions it gives now, on the
    /// clipboard as text (Ctrl+C in the equipment list).
    void copyEquipmentList();
    /// Appends the rows of the clipboard's text to the equipment list (Ctrl+V in the equipment list).
    void pasteEquipmentList();
    /// Says what adding the selected hit would change, before anything changes (Space in LV1).
    void previewHit();
    /// Adds the selected hit in place of the first row of its kind; without one, adds it as
    /// Enter does (Shift+Enter or Shift+double-click in LV1).
    void replaceWithHit();
    /// Pins what 계산 would show now as the reference later calculations are compared with, or
    /// unpins it (Ctrl+B).
    void toggleReference();
    /// Asks for a set file and opens it (Ctrl+O).
    void openSet();
    /// Ranks every hit in LV1 at the grade in cr1 in the ranking table; while the table is open,
    /// brings it to the front and fetches the rows not done yet (Ctrl+R).
    void rankHits();
    /// Saves the set to the file last opened or saved; the first time, asks for one (Ctrl+S).
    void saveSet();
    /// Asks for a file and saves the set to it (Ctrl+Shift+S).
    void saveSetAs();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    /// Runs a handler started by the player through the handler queue.
    void runHandler(std::function<void()> handler);
    /// Connects a result list to the window: its keys, its double-click, its header.
    void prepareResultList(QTreeWidget *list);
    /// The order in which Tab walks the controls: search, grade, lists, bonuses, 계산.
    void applyTabOrder();
    /// The keys of the two lists; true when the key was theirs.
    bool listKey(QObject *watched, const QKeyEvent *key);
    /// LV2 and the bonus boxes follow the equipment set.
    void showInsertedRows(int position, int count);
    void showRemovedRows(int position, int count);
    void showBonus(int index);
    void showEquipmentSet();
    /// Takes back the newest step of the set's history, or makes the newest undone one again.
    void moveThroughHistory(bool forward);
    /// The equipment list's context menu: every action on the list, with its key.
    void showListMenu(const QPoint &at);
    /// The result list's context menu: 추가, 교체, 미리보기, with their keys.
    void showHitMenu(QTreeWidget *list, const QPoint &at);
    /// The grade in cr1 as its number; nullopt (after the grade message) when it is no grade.
    std::optional<int> chosenGrade();

    /// The ranking table's request for hit `at` of LV1: selects it there and runs `handler` on it.
    void runOnHit(const QPersistentModelIndex &at, void (FrmMain::*handler)());
    /// The open ranking table follows a new search or a new grade.
    void rankingFollowsSearch();
    void rankingFollowsGrade();

    /// A set file's name from the file dialog; "" when the player cancelled.
    QString askForSetFile(bool toSave);
    /// Saves the set to `path`; whether it was saved (a box said why not).
    bool saveSetTo(const QString &path);
    /// Asks whether to save the set to a file before a close loses work that could not be kept;
    /// true when the window may close.
    bool confirmCloseUnkept();

    velmora::HandlerQueue m_handlers;
    velmora::EquipmentSet m_set;
    // The captions of the last calculation, which the next one is compared with; none before
    // the first click on 계산.
    std::optional<velmora::StatTotals> m_lastTotals;
    // Keeps the set on disk; declared after the set, so that it writes what is pending while
    // the set is still there.
    std::unique_ptr<velmora::WorkingSetKeeper> m_keeper;
    // The set file last opened or saved, which Ctrl+S writes to; "" before either.
    QString m_setFile;

    QLineEdit *m_txtSearch = nullptr;
    QPushButton *m_cmdSearch = nullptr;
    QComboBox *m_cr1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QTreeWidget *m_lv2 = nullptr;
    QGroupBox *m_frame2 = nullptr;
    QPushButton *m_command1 = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QLabel *m_keepWarning = nullptr;
    QAction *m_lv2Reset = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_open = nullptr;
    QAction *m_save = nullptr;
    QAction *m_saveAs = nullptr;
    QAction *m_reference = nullptr;
    QAction *m_rankHits = nullptr;
    std::array<QCheckBox *, velmora::bonusBoxCount> m_check1{};
    std::array<QLabel *, velmora::statLabelCount> m_lab1{};

    // Declared last so that it is destroyed first: its network thread ends while the window is
    // still whole, long before the application object.
    std::unique_ptr<velmora::ItemSearch> m_search;
    // Made at the first Ctrl+R; it goes before the search whose requests it makes.
    std::unique_ptr<velmora::RankingWindow> m_ranking;
};
