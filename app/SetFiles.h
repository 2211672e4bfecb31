#pragma once

#include <QObject>
#include <QString>

#include <optional>

#include "stats/SetFile.h"

namespace velmora {

class EquipmentSet;

/// The file the working set is kept in: "working-set.velmora" in the program's data folder,
/// $XDG_DATA_HOME/velmora (~/.local/share/velmora), whatever program hosts the window.
QString workingSetPath();

/// What `set` holds, as a set file holds it.
EquipmentSetData setData(const EquipmentSet &set);

/// A set file read from disk: its contents, or why it cannot be opened, in the player's words.
struct ReadSet {
    std::optional<EquipmentSetData> data;
    QString problem;
};
/// Reads and checks the set file at `path`. A file from elsewhere is untrusted: anything but a
/// whole, valid set is refused with the reason, and nothing is taken from it.
ReadSet readSetFileAt(const QString &path);

/// Writes `data` to `path` as a whole or not at all: into a temporary file beside it, flushed to
/// disk, then renamed over it, so a crash at any moment leaves the old file or the new one. With
/// `keepBackup` the file's previous content is kept as `path` + "~" first. Returns why it failed,
/// in the player's words; empty when it worked.
QString writeSetFileAt(const QString &path, const EquipmentSetData &data, bool keepBackup);

/// Keeps the working set on disk without asking: every change of the set is written once the
/// burst it belongs to is over (the next turn of the event loop), and what is pending is written
/// when the keeper goes.
class WorkingSetKeeper : public QObject {
    Q_OBJECT

public:
    WorkingSetKeeper(EquipmentSet &set, QString path, QObject *parent = nullptr);
    ~WorkingSetKeeper() override;

    /// Puts the working set kept on disk into the set, without an undo step. Returns what the
    /// status bar says about it: "" when there was none or it was empty; the count of rows
    /// brought back; or, for a file that cannot be read, where it was moved aside (it is never
    /// deleted, and never written over).
    QString restore();

    /// Writes the set now, if a change is waiting to be written.
    void writePending();

signals:
    /// The working set could not be written; `why` in the player's words.
    void writeFailed(const QString &why);

private:
    void schedule();

    EquipmentSet &m_set;
    QString m_path;
    bool m_pending = false;
    bool m_failing = false;
    // False while a working set that could not be read could not be moved aside either: it is
    // left alone rather than written over.
    bool m_keeping = true;
};

} // namespace velmora
