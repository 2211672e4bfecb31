#pragma once

#include <QDir>
#include <QFileInfo>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/FrmMain.h"
#include "app/SetFiles.h"
#include "app/StatsCache.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/PlayerActions.h"
#include "tests/support/SitePages.h"

namespace velmora::test {

/// A window on a loopback item site, shown offscreen.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Every test starts from a window with no working set and no stats cache, as at a first
        // start.
        QDir(QFileInfo(workingSetPath()).absolutePath()).removeRecursively();
        QDir(QFileInfo(statsCachePath()).absolutePath()).removeRecursively();
        window = std::make_unique<FrmMain>(QString::fromStdString(site.base()));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename T> T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QTreeWidget *list(const char *name) const { return child<QTreeWidget>(name); }

    /// Every row of a list, each as its column texts.
    static std::vector<std::vector<QString>> rows(const QTreeWidget *view)
    {
        std::vector<std::vector<QString>> all;
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            std::vector<QString> cells;
            for (int c = 0; c < view->columnCount(); ++c)
                cells.push_back(view->topLevelItem(i)->text(c));
            all.push_back(cells);
        }
        return all;
    }

    /// Clicks row `row` of a list (selecting it) and then double-clicks it, as a player does.
    static void doubleClickRow(QTreeWidget *view, int row)
    {
        const QRect cell = view->visualItemRect(view->topLevelItem(row));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }

    /// Types a term into the search box and presses Enter.
    void searchFor(const QString &term)
    {
        auto *box = child<QLineEdit>("txtSearch");
        typeText(box, term);
        QTest::keyClick(box, Qt::Key_Return);
    }

    QString status() const { return window->statusBar()->currentMessage(); }

    /// Right-clicks row `row` of a list the window system's way (where Qt turns it into a request
    /// for the list's context menu), then chooses `entry` in the menu with Enter. Returns the
    /// menu's entries, each its text, a tab and its key.
    QStringList chooseFromContextMenu(QTreeWidget *view, int row, const QString &entry)
    {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QStringList entries;
        // Answers the menu whenever it is up.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            poll.stop();
            for (QAction *action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                entries << action->text() + QLatin1Char('\t') + action->shortcut().toString();
                if (action->text() == entry)
                    menu->setActiveAction(action);
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        poll.start(10);
        const QRect cell = view->visualItemRect(view->topLevelItem(row));
        QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, view->viewport()->mapTo(window.get(), cell.center()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !poll.isActive(); }));
        return entries;
    }

    LoopbackServer site;
    std::unique_ptr<FrmMain> window;
};

} // namespace velmora::test
