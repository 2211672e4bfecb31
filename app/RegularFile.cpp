#include "app/RegularFile.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {

namespace {

const QString notRegularText = QStringLiteral("일반 파일이 아닙니다.");

// A name Qt could not decode holds U+FFFD, and turned back into bytes it names another file: the
// file is there, under a name that is not UTF-8.
ReadFile missingFile(const QString &path, const QString &why)
{
    if (path.contains(QChar::ReplacementCharacter))
        return {std::nullopt, ReadFile::Problem::missing, 0,
                QStringLiteral("파일 이름을 UTF-8로 읽을 수 없습니다.")};
    return {std::nullopt, ReadFile::Problem::missing, 0, why};
}

ReadFile tooLarge(qint64 size, qint64 maxBytes)
{
    return {std::nullopt, ReadFile::Problem::tooLarge, size,
            QStringLiteral("파일이 너무 큽니다 (%1바이트, 최대 %2바이트).").arg(size).arg(maxBytes)};
}

ReadFile unreadable(const QString &why)
{
    return {std::nullopt, ReadFile::Problem::unreadable, 0, QStringLiteral("파일을 읽을 수 없습니다: %1").arg(why)};
}

} // namespace

#ifdef Q_OS_WIN

// Windows has no FIFOs, and opening a device name through Qt is refused by the file-information
// check first: QFileInfo says what is there without opening it.
FileKind fileKindAt(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || info.isJunction())
        return FileKind::other;
    if (!info.exists())
        return FileKind::missing;
    return info.isFile() ? FileKind::regular : FileKind::other;
}

ReadFile readRegularFile(const QString &path, qint64 maxBytes, Links links)
{
    const QFileInfo info(path);
    if (links == Links::refuse && (info.isSymLink() || info.isJunction()))
        return {std::nullopt, ReadFile::Problem::notRegular, 0, notRegularText};
    if (!info.exists())
        return missingFile(path, QStringLiteral("파일이 없습니다."));
    if (!info.isFile())
        return {std::nullopt, ReadFile::Problem::notRegular, 0, notRegularText};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(file.errorString());
    if (file.size() > maxBytes)
        return tooLarge(file.size(), maxBytes);
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return unreadable(file.errorString());
    if (bytes.size() > maxBytes)
        return tooLarge(bytes.size(), maxBytes);
    const qint64 size = bytes.size();
    return {std::move(bytes), ReadFile::Problem::none, size, {}};
}

QString syncToDisk(QFileDevice &file)
{
    if (!file.flush())
        return file.errorString();
    // handle() is a C runtime descriptor over the file's Windows handle; _commit flushes it.
    if (_commit(file.handle()) != 0)
        return qt_error_string(errno);
    return {};
}

#else

FileKind fileKindAt(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileKind::missing : FileKind::other;
    return S_ISREG(st.st_mode) ? FileKind::regular : FileKind::other;
}

ReadFile readRegularFile(const QString &path, qint64 maxBytes, Links links)
{
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of waiting for one;
    // what is not a regular file is then refused by its descriptor, so nothing can change
    // between the check and the read.
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (links == Links::refuse)
        flags |= O_NOFOLLOW;
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return missingFile(path, qt_error_string(error));
        if (error == ELOOP && links == Links::refuse)
            return {std::nullopt, ReadFile::Problem::notRegular, 0, notRegularText};
        // A device that refuses to be opened is no regular file either.
        if (error == ENXIO || error == ENODEV)
            return {std::nullopt, ReadFile::Problem::notRegular, 0, notRegularText};
        return unreadable(qt_error_string(error));
    }
    const auto result = [fd](ReadFile read) {
        ::close(fd);
        return read;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return result(unreadable(qt_error_string(errno)));
    if (!S_ISREG(st.st_mode))
        return result({std::nullopt, ReadFile::Problem::notRegular, 0, notRegularText});
    if (st.st_size > maxBytes)
        return result(tooLarge(st.st_size, maxBytes));
    // The file may grow while it is read: one byte past the limit is enough to know.
    QByteArray bytes(maxBytes + 1 > st.st_size ? st.st_size + 1 : maxBytes + 1, Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > maxBytes)
                return result(tooLarge(got, maxBytes));
            bytes.resize(std::min<qint64>(got * 2, maxBytes + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<std::size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return result(unreadable(qt_error_string(errno)));
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return result({std::move(bytes), ReadFile::Problem::none, got, {}});
}

QString syncToDisk(QFileDevice &file)
{
    if (!file.flush())
        return file.errorString();
    if (::fsync(file.handle()) != 0)
        return qt_error_string(errno);
    return {};
}

#endif

} // namespace velmora
