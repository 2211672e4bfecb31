#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

#include "app/RegularFile.h"
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
/// whole, valid regular file holding a set is refused with the reason, and nothing is taken from
/// it. With Links::refuse a link is refused as not a regular file.
ReadSet readSetFileAt(const QString &path, Links links = Links::follow);

/// Writes `data` to `path` as a whole or not at all: into a temporary file beside it, every byte
/// checked, flushed and synced to disk, then renamed over it, so a crash or a failure at any
/// moment (a full disk included) leaves the old file byte for byte or the new one. With
/// `keepBackup` the file's previous content is kept as `path` + "~" (written the same way) before
/// the rename. Returns why it failed, in the player's words; empty only when the new content is
/// on disk under `path`.
QString writeSetFileAt(const QString &path, const EquipmentSetData &data, bool keepBackup);

/// Keeps the working set on disk without asking: every change of the set is written once the
/// burst it belongs to is over (the next turn of the event loop), and what is pending is written
/// when the keeper goes. A write that fails is tried again with every change and every five
/// seconds until one succeeds; meanwhile failure() says why.
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

    /// Writes the set now, if a change is waiting to be written. Returns whether the latest
    /// work is on disk.
    bool writePending();

    /// Why the latest work is not on disk; "" while it is.
    QString failure() const { return m_failure; }
    /// The file the set is written to: the working set, or a name beside it (working-set-2.velmora,
    /// …) while the working set is a file that could be neither read nor moved aside.
    QString path() const { return m_path; }

signals:
    /// failure() changed: the work could not be kept (`why` in the player's words), or, with
    /// `why` empty, it is kept again.
    void failureChanged(const QString &why);

private:
    void schedule();
    void setFailure(const QString &why);
    /// Moves what stands at m_path (a link itself, never its target) aside under a name of its
    /// own; the name, or "" when it could not be moved.
    QString moveAside();
    /// The first free name beside the working set (working-set-2.velmora, …), for the set once
    /// the working set itself cannot be used.
    QString nameBeside() const;

    EquipmentSet &m_set;
    QString m_path;
    bool m_pending = false;
    bool m_scheduled = false;
    QString m_failure;
    QTimer m_retry;
};

} // namespace velmora
