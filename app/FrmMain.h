#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/EquipmentHistory.h"
#include "itemdb/HttpRequester.h"
#include "stats/BonusSettings.h"
#include "stats/ExpectedStats.h"

class QAction;
class QCloseEvent;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora {
class NetworkThread;
class SearchHits;

/// The program's icon in its Qt resources, for the window and every box.
inline constexpr char iconResource[] = ":/velmora/velmora-64.png";
}

/// The program's one window: search the item database site, collect items at chosen grades into
/// the equipment list, switch on stat bonuses and see the expected stats. Every control carries
/// its name as objectName ("txtSearch", "LV1", "Check1(3)", "lab1(12)", …).
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
    /// Puts the equipment list, and the last calculation's captions, on the clipboard as text
    /// (Ctrl+C in the equipment list).
    void copyEquipmentList();
    /// Appends the rows of the clipboard's text to the equipment list (Ctrl+V in the equipment list).
    void pasteEquipmentList();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    velmora::HttpRequester &requester();
    /// Runs `work` on the network thread while the window keeps painting (see NetworkWait.h).
    void waitForSite(const std::function<void()> &work);
    /// Runs a handler started by the player, unless one is running already: a handler never runs
    /// inside another (one may be waiting for the site); it is then run right after it. Once the
    /// window has accepted a close, no handler runs any more.
    void runHandler(std::function<void()> handler);
    /// The result list LV1 with its columns and keys, in its place in the window.
    QTreeWidget *makeResultList();
    /// The order in which Tab walks the controls: search, grade, lists, bonuses, 계산.
    void applyTabOrder();
    /// Sorts the hits by `column`, the other way round when they are sorted by it already.
    void sortResults(int column);
    /// Row `index` of the equipment list as its five texts.
    velmora::EquipmentRow equipmentRow(int index) const;
    /// Every row of the equipment list.
    std::vector<velmora::EquipmentRow> equipmentRows() const;
    /// Puts `rows` into the equipment list from position `position` on.
    void insertEquipmentRows(int position, const std::vector<velmora::EquipmentRow> &rows);
    /// Removes `count` rows of the equipment list from position `position` on.
    void removeEquipmentRows(int position, int count);
    /// Makes `change` again (`forward`) or takes it back.
    void applyListChange(const velmora::ListChange &change, bool forward);
    /// What a change of the equipment list was, for the status bar: "추가 불꽃 깃 활".
    static QString changeDescription(const velmora::ListChange &change);
    /// Empties the result list, and gives the memory of a long list back to the system.
    void clearResults();

    QString m_siteBase;
    velmora::RequestLimits m_limits;
    std::unique_ptr<velmora::HttpRequester> m_requester; // created on first use
    velmora::BonusSettings m_bonus;

    // While a handler waits for the site, Qt holds back the window system's input (mouse, keys,
    // a close request) in the wait's event loop. Other events still arrive meanwhile: timers,
    // queued signals, and a screen reader's "press" on a button or a check box, which comes over
    // the accessibility bus rather than as input. Those that would start a handler wait here and
    // run, in order, right after the running handler; so a handler never runs inside another.
    bool m_handlerRunning = false;
    std::vector<std::function<void()>> m_heldBack;
    // Set when the window has accepted a close: what is held back is dropped and nothing new
    // starts, so no request, box or dialog outlives the window and the program can end.
    bool m_closed = false;

    QLineEdit *m_txtSearch = nullptr;
    QPushButton *m_cmdSearch = nullptr;
    QComboBox *m_cr1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QTreeWidget *m_lv1 = nullptr;
    QTreeWidget *m_lv2 = nullptr;
    QGroupBox *m_frame2 = nullptr;
    QPushButton *m_command1 = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QAction *m_lv2Reset = nullptr;
    std::array<QCheckBox *, velmora::bonusBoxCount> m_check1{};
    std::array<QLabel *, 13> m_lab1{};

    velmora::EquipmentHistory m_history;
    // The captions of the last calculation, which the next one is compared with (and which a
    // copy of the list carries); none before the first click on 계산.
    std::optional<velmora::StatTotals> m_lastTotals;
    // The column the hits are sorted by, and which way; none while they stand in page order.
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;

    // Declared last so that it is destroyed first: its thread ends before the requester it
    // works with, and long before the application object.
    std::unique_ptr<velmora::NetworkThread> m_network;
};

namespace velmora {

/// The result list's rows for search hits, one per hit (name, kind, options, item page address),
/// not yet in any list. Each row reads its texts from `hits`, which it shares: a row costs no
/// text of its own, so a page of millions of hits still fits in memory.
QList<QTreeWidgetItem *> makeResultRows(const std::shared_ptr<const SearchHits> &hits);

} // namespace velmora
