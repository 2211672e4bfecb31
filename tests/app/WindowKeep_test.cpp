// The work is kept, or the player knows: what is not a regular file is refused without blocking
// and without a change, and while the working set cannot be written a standing warning says so
// until a write succeeds, and a close asks first.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QTemporaryDir>

#include <functional>

#include "app/BaseDirectories.h"
#include "app/RegularFile.h"
#include "app/SetFiles.h"
#include "tests/app/WindowFixture.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora::test {
namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A change for the keeper to write: one row pasted into the equipment list.
void pasteARow(FrmMain &window)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("돌 반지\t반지\t힘1 \t일반\n"));
    QTest::keyClick(window.findChild<QTreeWidget *>(QStringLiteral("LV2")), Qt::Key_V, Qt::ControlModifier);
}

using WindowKeep = WindowTest;

#ifndef Q_OS_WIN // FIFOs and these links are POSIX things
TEST_F(WindowKeep, WhatIsNotARegularFileIsRefusedWithoutBlockingAndNothingChanges)
{
    window.reset();
    QTemporaryDir folder;
    const QString working = workingSetPath(), data = QFileInfo(working).path();
    const QString fifo = folder.filePath(QStringLiteral("fifo.velmora")), link = folder.filePath(QStringLiteral("link"));
    const QString own = folder.filePath(QStringLiteral("player's own.velmora"));
    const QByteArray aSet = R"({"format": "velmora-set", "version": 1, "rows": []})";
    const QByteArray notUtf8 = QFile::encodeName(folder.path()) + "/\xff.velmora";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(writeBytes(own, aSet) && QFile::link(fifo, link));
    ::close(::open(notUtf8.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    const auto linkTo = [&](const QString &target) { return [&, target] { return QFile::link(target, working); }; };
    const struct {
        const char *what;
        std::function<bool()> atWorkingSet; // or else:
        QString open;                       // the file opened, as Ctrl+O, a drop and `velmora FILE` do
        const char *says;
    } cases[] = {
        {"the working set is a FIFO", [&] { return mkfifo(QFile::encodeName(working).constData(), 0600) == 0; }, {}, "옮겨 두었습니다"},
        {"the working set links to a FIFO", linkTo(fifo), {}, "옮겨 두었습니다"},
        {"the working set links to a player's file", linkTo(own), {}, "옮겨 두었습니다"},
        {"/dev/zero", {}, QStringLiteral("/dev/zero"), "일반 파일이 아닙니다"},
        {"a FIFO", {}, fifo, "일반 파일이 아닙니다"},
        {"a link to a FIFO", {}, link, "일반 파일이 아닙니다"},
        {"a folder", {}, folder.path(), "일반 파일이 아닙니다"},
        {"a name that is not UTF-8", {}, QString::fromLocal8Bit(notUtf8), "UTF-8로 읽을 수 없습니다"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(data).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(data) && (!c.atWorkingSet || c.atWorkingSet()));
        const QString linkTarget = QFileInfo(working).symLinkTarget();
        FrmMain opened(QString::fromStdString(site.base()));
        if (c.atWorkingSet) {
            opened.restoreWorkingSet();
            EXPECT_TRUE(opened.statusBar()->currentMessage().contains(QString::fromUtf8(c.says)));
            // The thing itself went aside (a link as a link), and a regular file takes its place.
            const QStringList aside = QDir(data).entryList({QStringLiteral("*.unreadable-*")}, QDir::System | QDir::Files);
            ASSERT_EQ(aside.size(), 1);
            EXPECT_EQ(QFileInfo(QDir(data).filePath(aside[0])).symLinkTarget(), linkTarget);
            pasteARow(opened);
            EXPECT_TRUE(QTest::qWaitFor([&] { return fileKindAt(working) == FileKind::regular; }));
        } else {
            const SeenMessage seen = closeMessageBoxDuring([&] { opened.openSetFile(c.open); });
            EXPECT_TRUE(seen.text.contains(QString::fromUtf8(c.says)) && !seen.text.contains(QStringLiteral("바이트")))
                << seen.text.toStdString();
            EXPECT_EQ(opened.findChild<QTreeWidget *>(QStringLiteral("LV2"))->topLevelItemCount(), 0);
        }
        EXPECT_EQ(fileKindAt(fifo), FileKind::other);
        EXPECT_EQ(bytesOf(own), aSet);
    }
    ::unlink(notUtf8.constData()); // a name QTemporaryDir cannot remove
}
#endif

TEST_F(WindowKeep, TheWarningStandsWhileTheWorkIsNotKeptAndACloseAsksFirst)
{
    // As root no permission stops a write: a regular file stands where the working set's folder
    // belongs, so the folder cannot be made.
    QTemporaryDir folder;
    const QString blocker = QFileInfo(workingSetPath()).absolutePath();
    ASSERT_TRUE(QDir(blocker).removeRecursively() && QDir().mkpath(QFileInfo(blocker).absolutePath()));
    ASSERT_TRUE(writeBytes(blocker, "not a folder"));
    window = std::make_unique<FrmMain>(QString::fromStdString(site.base()));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *warning = child<QLabel>("keepWarning");
    EXPECT_TRUE(warning->isHidden());

    pasteARow(*window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return warning->isVisible(); }));
    EXPECT_TRUE(warning->accessibleName().startsWith(QStringLiteral("목록을 보관하지 못하고 있습니다: 폴더를 만들 수 없습니다")));
    EXPECT_TRUE(warning->text().startsWith(QStringLiteral("목록을 보관하지 못하고 있습니다: ")));
    QTest::keyClick(list("LV2"), Qt::Key_C, Qt::ControlModifier); // a later message goes beside it
    EXPECT_EQ(status(), QStringLiteral("복사: 1개"));
    EXPECT_TRUE(warning->isVisible());

    // A close asks; Cancel, or the save dialog left without a name, keeps the window open.
    const SeenMessage seen = closeMessageBoxDuring([&] { window->close(); }, QMessageBox::Cancel);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_TRUE(seen.text.contains(QStringLiteral("파일로 저장하시겠습니까?"))) << seen.text.toStdString();
    closeMessageBoxThenFileDialogDuring([&] { window->close(); }, QMessageBox::Save, {});
    EXPECT_TRUE(window->isVisible());

    // Writable again: the next try keeps the work with no change by the player; the warning goes.
    ASSERT_TRUE(QFile::remove(blocker));
    ASSERT_TRUE(QTest::qWaitFor([&] { return warning->isHidden(); }, 30'000)) << warning->accessibleName().toStdString();
    EXPECT_TRUE(bytesOf(workingSetPath()).contains("돌 반지"));

    // Blocked again: Save in the close box saves the set to a file, and the window closes.
    ASSERT_TRUE(QDir(blocker).removeRecursively() && writeBytes(blocker, "not a folder"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(list("LV2"), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return warning->isVisible(); }));
    const QString saved = folder.filePath(QStringLiteral("닫기 전.velmora"));
    closeMessageBoxThenFileDialogDuring([&] { window->close(); }, QMessageBox::Save, saved);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(bytesOf(saved).contains("\"rows\": []"));
    ASSERT_TRUE(QFile::remove(blocker)); // the next test program finds the folder free
}

TEST(BaseDirectories, ARelativeFolderIsIgnored)
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "relative/data");
    ignoreRelativeBaseDirectories();
    EXPECT_TRUE(QFileInfo(workingSetPath()).isAbsolute());
    qputenv("XDG_DATA_HOME", dataHome);
}

} // namespace
} // namespace velmora::test
