#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFileDevice;

namespace velmora {

/// What stands at a path itself, a link not followed: a link is `other`, whatever it points to.
enum class FileKind { missing, regular, other };
FileKind fileKindAt(const QString &path);

/// A file read whole, or why not. `why` is in the player's words for every problem.
struct ReadFile {
    enum class Problem { none, missing, notRegular, tooLarge, unreadable };
    std::optional<QByteArray> bytes;
    Problem problem = Problem::none;
    qint64 size = 0; // for tooLarge: the file's size
    QString why;
};

/// Whether a link at the path is followed to its target, or refused as not a regular file.
enum class Links { follow, refuse };

/// Reads the file at `path` when it is a regular file of at most `maxBytes`, without ever
/// blocking: a FIFO, a device or a folder is refused as "일반 파일이 아닙니다." before a byte is
/// read (a FIFO without a writer would otherwise hold the window for ever).
///
///     readRegularFile("/dev/zero", 1024).problem == ReadFile::Problem::notRegular
ReadFile readRegularFile(const QString &path, qint64 maxBytes, Links links = Links::follow);

/// Forces what was written to `file` so far onto the disk; returns why it could not, "" when it
/// did. Qt's own sync at QSaveFile::commit() ignores a failure, so a writer that must know calls
/// this first.
QString syncToDisk(QFileDevice &file);

} // namespace velmora
