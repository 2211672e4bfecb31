#pragma once

#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/FrmMain.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/PlayerActions.h"

namespace velmora::test {

/// One hit as the item site writes it in a result page.
struct PageHit {
    std::string name, kind, options, address;
};

/// A result page in the site's markup: the row marker opens each hit, the address marker
/// precedes its address.
inline std::string resultPage(const std::vector<PageHit> &hits)
{
    std::string page = "<html><body><table><tr><th>이름</th><th>레벨</th><th>종류</th></tr>\n";
    for (const PageHit &hit : hits) {
        page += "<tr><td class=\"left itemname\"><a href = \"" + hit.address +
                "\"><span style='letter-spacing:-1px;'>" + hit.name + "</span></a></td><td>30</td><td>" + hit.kind +
                "</td><td class=\"left options\"><ul><li>" + hit.options + "</li></ul></td></tr>\n";
    }
    return page + "</table></body></html>";
}

/// A window on a loopback item site, shown offscreen.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
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

    LoopbackServer site;
    std::unique_ptr<FrmMain> window;
};

} // namespace velmora::test
