// Every call a save makes to put bytes on disk fails once, each in its turn: the n-th open for
// writing, write, sync, rename or link (libvelmora-write-faults.so, loaded with LD_PRELOAD,
// makes it fail with ENOSPC or EIO), for every n up to the number of calls a clean save makes.
// After each, the file on disk is the old set or the new one byte for byte, and the save says
// it failed exactly when the old one is left.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>

#include "app/EquipmentSet.h"
#include "app/SetFiles.h"
#include "tests/app/KilledWriteSets.h"

namespace velmora {
namespace {

using Arm = void (*)(long, int);
using Disarm = long (*)();
const auto arm = reinterpret_cast<Arm>(dlsym(RTLD_DEFAULT, "velmora_faults_arm"));
const auto disarm = reinterpret_cast<Disarm>(dlsym(RTLD_DEFAULT, "velmora_faults_disarm"));

long tried = 0; // saves made with one call failing, over every test

std::optional<QByteArray> bytesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

void put(const QString &path, const std::optional<QByteArray> &bytes)
{
    QFile::remove(path);
    if (!bytes)
        return;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(*bytes), bytes->size());
}

EquipmentSetData smallSet(const char *name)
{
    EquipmentSetData set;
    set.rows.push_back({{name, "반지", "힘1 ", "일반", {}}, {}});
    set.bonuses[2] = "7";
    return set;
}

QByteArray textOf(const EquipmentSetData &set) { return QByteArray::fromStdString(writeSetFile(set)); }

struct Save {
    const char *what;
    QString file;                       // the set file the save writes
    std::optional<QByteArray> before;   // what it holds before (none: it does not exist)
    std::optional<QByteArray> backup;   // what its FILE~ holds before
    QByteArray after;                   // what a save that worked leaves
    std::function<bool()> save;         // true when the save says it worked
    bool backsUp = true;                // a set file's save keeps FILE~; the working set's does not
};

// The save once cleanly, to count its calls, then once per call with that call failing.
void failEachCall(const Save &save, const QDir &folder)
{
    SCOPED_TRACE(save.what);
    const QString backupPath = save.file + QLatin1Char('~');
    const auto reset = [&] {
        put(save.file, save.before);
        put(backupPath, save.backup);
    };
    const QStringList filesBefore = [&] {
        reset();
        return folder.entryList(QDir::Files | QDir::Hidden);
    }();
    arm(0, 0);
    ASSERT_TRUE(save.save());
    const long calls = disarm();
    ASSERT_EQ(bytesOf(save.file), save.after);
    ASSERT_GT(calls, 2);
    for (const int error : {ENOSPC, EIO}) {
        for (long n = 1; n <= calls; ++n) {
            SCOPED_TRACE(testing::Message() << "call " << n << " of " << calls << " fails with errno " << error);
            reset();
            arm(n, error);
            const bool worked = save.save();
            disarm();
            ++tried;
            const std::optional<QByteArray> left = bytesOf(save.file);
            if (worked) {
                EXPECT_EQ(left, save.after);
                if (save.before && save.backsUp) {
                    EXPECT_EQ(bytesOf(backupPath), save.before);
                }
            } else {
                EXPECT_EQ(left, save.before);
                // The backup is the old one, or a whole copy of the file it backs up.
                const std::optional<QByteArray> backup = bytesOf(backupPath);
                EXPECT_TRUE(backup == save.backup || backup == save.before);
            }
            // No temporary file is left behind.
            QStringList expected = filesBefore;
            for (const QString &path : {save.file, backupPath})
                if (QFile::exists(path) && !expected.contains(QFileInfo(path).fileName()))
                    expected << QFileInfo(path).fileName();
            expected.sort();
            QStringList now = folder.entryList(QDir::Files | QDir::Hidden);
            now.sort();
            EXPECT_EQ(now, expected);
        }
    }
    std::printf("[ faults   ] %s: %ld calls, each failed with ENOSPC and with EIO\n", save.what, calls);
}

TEST(WriteFaults, EverySaveLeavesTheOldSetOrTheNewOneAndSaysWhich)
{
    ASSERT_TRUE(arm && disarm) << "run with LD_PRELOAD=libvelmora-write-faults.so";
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const QDir folder(temporary.path());
    const QString set = folder.filePath(QStringLiteral("set.velmora"));
    const QByteArray old = textOf(smallSet("옛 반지"));
    const EquipmentSetData small = smallSet("새 반지");
    const EquipmentSetData big = test::killedWriteSet(1); // past Qt's write buffer
    const auto saveTo = [](const QString &path, const EquipmentSetData &data) {
        return [path, data] { return writeSetFileAt(path, data, true).isEmpty(); };
    };
    failEachCall({"Ctrl+S over a set, with its backup", set, old, "older", textOf(small), saveTo(set, small)}, folder);
    failEachCall({"Ctrl+S of a big set over a set", set, old, std::nullopt, textOf(big), saveTo(set, big)}, folder);
    const QString fresh = folder.filePath(QStringLiteral("새 이름.velmora"));
    failEachCall({"save as a new name", fresh, std::nullopt, std::nullopt, textOf(small), saveTo(fresh, small)}, folder);

    // The working set: the keeper writes a change of the set, and says whether it is kept.
    const QString working = folder.filePath(QStringLiteral("working-set.velmora"));
    EquipmentSet equipment;
    WorkingSetKeeper keeper(equipment, working);
    equipment.append({{"새 반지", "반지", "힘1 ", "일반", {}}, {}});
    failEachCall({"the working set", working, old, std::nullopt, textOf(setData(equipment)),
                  [&] {
                      equipment.history().undo(); // a change for the keeper to write …
                      equipment.history().redo(); // … back to the same set
                      const bool kept = keeper.writePending();
                      EXPECT_EQ(kept, keeper.failure().isEmpty());
                      return kept;
                  },
                  false},
                 folder);
    std::printf("[ faults   ] %ld saves made, each with one call failing: each left the old set or the new "
                "one and said which\n",
                tried);
}

// A working set that cannot be read, and cannot be moved aside either (its rename fails): the
// work goes to a name beside it, and the next start brings that back.
TEST(WriteFaults, AWorkingSetThatCannotBeMovedAsideIsKeptBesideItAndComesBack)
{
    ASSERT_TRUE(arm && disarm) << "run with LD_PRELOAD=libvelmora-write-faults.so";
    QTemporaryDir temporary;
    const QDir folder(temporary.path());
    const QString working = folder.filePath(QStringLiteral("working-set.velmora"));
    put(working, QByteArray("{\"format\": \"velmora-set\""));
    {
        EquipmentSet equipment;
        WorkingSetKeeper keeper(equipment, working);
        arm(1, EIO); // the rename that would move it aside
        const QString said = keeper.restore();
        disarm();
        EXPECT_TRUE(said.contains(QStringLiteral("working-set-2.velmora"))) << said.toStdString();
        EXPECT_FALSE(said.contains(QStringLiteral(").)"))) << said.toStdString();
        equipment.append({{"새 반지", "반지", "힘1 ", "일반", {}}, {}});
        EXPECT_TRUE(keeper.writePending());
        EXPECT_EQ(keeper.path(), folder.filePath(QStringLiteral("working-set-2.velmora")));
        EXPECT_EQ(bytesOf(working), QByteArray("{\"format\": \"velmora-set\""));
    }
    EquipmentSet again;
    WorkingSetKeeper keeper(again, working);
    const QString said = keeper.restore();
    EXPECT_TRUE(said.contains(QStringLiteral("옮겨 두었습니다"))) << said.toStdString();
    ASSERT_EQ(again.rowCount(), 1);
    EXPECT_EQ(again.rows()[0].row.itemName, "새 반지");
}

} // namespace
} // namespace velmora

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
