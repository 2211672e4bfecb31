// Every call a save makes to put bytes on disk fails once, in its turn (ENOSPC, then EIO), for
// every n up to the number of calls a clean save makes: the file is then the old set or the new
// one byte for byte, and the save says it failed exactly when the old one is left.
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

const auto arm = reinterpret_cast<void (*)(long, int)>(dlsym(RTLD_DEFAULT, "velmora_faults_arm"));
const auto disarm = reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "velmora_faults_disarm"));

std::optional<QByteArray> bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
}

void put(const QString &path, const std::optional<QByteArray> &bytes)
{
    QFile::remove(path);
    QFile file(path);
    if (bytes) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(*bytes) == bytes->size());
    }
}

SetRow aRow(const char *name) { return {{name, "반지", "힘1 ", "일반", {}}, {}}; }
QByteArray textOf(const EquipmentSetData &set) { return QByteArray::fromStdString(writeSetFile(set)); }

struct Save {
    const char *what;
    QString file;
    std::optional<QByteArray> before, backup; // the file and its FILE~ before (none: no file)
    QByteArray after;                         // what a save that worked leaves
    std::function<bool()> save;               // true when the save says it worked
    bool backsUp = true;                      // a set file's save keeps FILE~, the working set's not
};

// Returns the saves made with one call failing.
long failEachCall(const Save &save)
{
    SCOPED_TRACE(save.what);
    const QString backup = save.file + QLatin1Char('~');
    const QStringList files = QDir(QFileInfo(save.file).path()).entryList(QDir::Files);
    put(save.file, save.before);
    put(backup, save.backup);
    arm(0, 0);
    EXPECT_TRUE(save.save());
    const long calls = disarm();
    EXPECT_EQ(bytesOf(save.file), save.after);
    long tried = 0;
    for (const int error : {ENOSPC, EIO})
        for (long n = 1; n <= calls; ++n, ++tried) {
            SCOPED_TRACE(testing::Message() << "call " << n << " of " << calls << ", errno " << error);
            put(save.file, save.before);
            put(backup, save.backup);
            arm(n, error);
            const bool worked = save.save();
            disarm();
            EXPECT_EQ(bytesOf(save.file), worked ? save.after : save.before);
            // FILE~ is the old backup or a whole copy of the file before; after a save, the latter.
            const std::optional<QByteArray> kept = bytesOf(backup);
            EXPECT_TRUE(!save.backsUp || !save.before ? kept == save.backup
                                                      : kept == save.before || (!worked && kept == save.backup));
            // No temporary file is left behind.
            EXPECT_EQ(QDir(QFileInfo(save.file).path()).entryList(QDir::Files).size(),
                      files.size() + bytesOf(save.file).has_value() + bytesOf(backup).has_value());
            put(save.file, std::nullopt);
            put(backup, std::nullopt);
        }
    std::printf("[ faults   ] %s: %ld calls, each failed with ENOSPC and with EIO\n", save.what, calls);
    return tried;
}

TEST(WriteFaults, EverySaveLeavesTheOldSetOrTheNewOneAndSaysWhich)
{
    ASSERT_TRUE(arm && disarm) << "run with LD_PRELOAD=libvelmora-write-faults.so";
    QTemporaryDir folder;
    const QString set = folder.filePath(QStringLiteral("set.velmora"));
    const QString fresh = folder.filePath(QStringLiteral("새 이름.velmora"));
    const QString working = folder.filePath(QStringLiteral("working-set.velmora"));
    const QByteArray old = textOf({{aRow("옛 반지")}, {}, {}, {}});
    const EquipmentSetData small{{aRow("새 반지")}, {}, {}, {}};
    const EquipmentSetData big = test::killedWriteSet(1); // past Qt's write buffer
    const auto saveTo = [](const QString &path, const EquipmentSetData &data) {
        return [path, data] { return writeSetFileAt(path, data, true).isEmpty(); };
    };
    EquipmentSet equipment;
    WorkingSetKeeper keeper(equipment, working);
    equipment.append(aRow("새 반지"));
    const auto keep = [&] {
        equipment.history().undo(); // a change for the keeper to write, back to the same set
        equipment.history().redo();
        const bool kept = keeper.writePending();
        EXPECT_EQ(kept, keeper.failure().isEmpty());
        return kept;
    };
    const long tried = failEachCall({"Ctrl+S over a set with a backup", set, old, "older", textOf(small), saveTo(set, small)})
                       + failEachCall({"Ctrl+S of a big set", set, old, std::nullopt, textOf(big), saveTo(set, big)})
                       + failEachCall({"save as a new name", fresh, std::nullopt, std::nullopt, textOf(small), saveTo(fresh, small)})
                       + failEachCall({"the working set", working, old, std::nullopt, textOf(setData(equipment)), keep, false});
    std::printf("[ faults   ] %ld saves with one call failing, each left the old set or the new one and said which\n",
                tried);
}

// The working set can be neither read nor moved aside (its rename fails): the work is kept
// beside it, and the next start brings that back.
TEST(WriteFaults, AWorkingSetThatCannotBeMovedAsideIsKeptBesideItAndComesBack)
{
    ASSERT_TRUE(arm && disarm) << "run with LD_PRELOAD=libvelmora-write-faults.so";
    QTemporaryDir folder;
    const QString working = folder.filePath(QStringLiteral("working-set.velmora"));
    put(working, QByteArray("{"));
    {
        EquipmentSet equipment;
        WorkingSetKeeper keeper(equipment, working);
        arm(1, EIO);
        const QString said = keeper.restore();
        disarm();
        EXPECT_TRUE(said.contains(QStringLiteral("working-set-2.velmora")) && !said.contains(QStringLiteral(").)")))
            << said.toStdString();
        equipment.append(aRow("새 반지"));
        EXPECT_TRUE(keeper.writePending());
        EXPECT_EQ(bytesOf(working), QByteArray("{"));
    }
    EquipmentSet again;
    WorkingSetKeeper keeper(again, working);
    EXPECT_TRUE(keeper.restore().contains(QStringLiteral("옮겨 두었습니다")));
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
