#include "app/SetFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>
#include <variant>

#include "app/Controls.h"
#include "app/EquipmentSet.h"

namespace velmora {

namespace {

QString problemText(const SetFileProblem &problem)
{
    const QString where = qs(problem.where);
    const auto number = static_cast<qulonglong>(problem.number);
    using Kind = SetFileProblem::Kind;
    switch (problem.kind) {
    case Kind::TooLarge:
        return QStringLiteral("파일이 너무 큽니다 (%1바이트, 최대 16 MiB).").arg(number);
    case Kind::InvalidUtf8:
        return QStringLiteral("UTF-8 텍스트가 아닙니다 (%1번째 바이트).").arg(number);
    case Kind::NotJson:
        return QStringLiteral("JSON 형식이 아니거나 파일이 중간에 잘렸습니다 (%1번째 바이트).").arg(number);
    case Kind::TooDeep:
        return QStringLiteral("JSON이 너무 깊게 중첩되어 있습니다 (%1번째 바이트).").arg(number);
    case Kind::NotASet:
        return QStringLiteral("벨모라 세트 파일이 아닙니다.");
    case Kind::NewerVersion:
        // A number past what can be counted is said as what it means, not as a wrapped figure.
        if (problem.number == std::numeric_limits<std::uint64_t>::max())
            return QStringLiteral("더 새로운 벨모라에서 만든 파일입니다. 프로그램을 업데이트해 주세요.");
        return QStringLiteral("더 새로운 벨모라에서 만든 파일입니다 (버전 %1). 프로그램을 업데이트해 주세요.").arg(number);
    case Kind::UnsupportedVersion:
        return QStringLiteral("알 수 없는 파일 버전입니다.");
    case Kind::MissingField:
        return QStringLiteral("필요한 항목이 없습니다: %1").arg(where);
    case Kind::WrongType:
        return QStringLiteral("항목의 형식이 잘못되었습니다: %1").arg(where);
    case Kind::DuplicateKey:
        return QStringLiteral("같은 항목이 두 번 들어 있습니다: %1").arg(where);
    case Kind::UnknownGrade:
        return QStringLiteral("없는 등급입니다: %1").arg(where);
    case Kind::ControlCharacter:
        return QStringLiteral("텍스트에 제어 문자가 있습니다: %1").arg(where);
    case Kind::TooManyRows:
        return QStringLiteral("행이 너무 많습니다 (%1개, 최대 100000개).").arg(number);
    case Kind::WrongCount:
        return QStringLiteral("항목 수가 맞지 않습니다: %1 (%2개)").arg(where).arg(number);
    }
    return QStringLiteral("세트 파일을 읽을 수 없습니다.");
}

} // namespace

QString workingSetPath()
{
#ifdef Q_OS_WIN
    // %APPDATA%, the roaming folder, where Windows keeps what follows a player from machine to
    // machine. Qt names it only with the hosting program's name appended: that goes, so that a
    // test program finds the same folder.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    for (const QString &part : {QCoreApplication::applicationName(), QCoreApplication::organizationName()})
        if (!part.isEmpty() && folder.endsWith(QLatin1Char('/') + part))
            folder.chop(part.size() + 1);
    return folder + QStringLiteral("/velmora/working-set.velmora");
#else
    // The generic data folder and a name of our own, not AppDataLocation: that one follows the
    // name of the program hosting the window, and a test program must find the same folder.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/velmora/working-set.velmora");
#endif
}

EquipmentSetData setData(const EquipmentSet &set)
{
    return {set.rows(), set.bonuses().texts, set.reference(), set.weights()};
}

ReadSet readSetFileAt(const QString &path, Links links)
{
    ReadFile file = readRegularFile(path, static_cast<qint64>(setFileMaxBytes), links);
    if (file.problem == ReadFile::Problem::tooLarge)
        return {std::nullopt, problemText({SetFileProblem::Kind::TooLarge, {}, static_cast<std::uint64_t>(file.size)})};
    if (!file.bytes)
        return {std::nullopt, file.why};
    const QByteArray &bytes = *file.bytes;
    auto read = readSetFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (const auto *problem = std::get_if<SetFileProblem>(&read))
        return {std::nullopt, problemText(*problem)};
    return {std::move(std::get<EquipmentSetData>(read)), {}};
}

namespace {

// The last steps of a QSaveFile's write, each checked. QSaveFile::commit() alone would go on to
// the rename after its final flush failed (a full disk turns a small file, still in Qt's write
// buffer, into an empty one) and ignores a failed sync: both are done and checked here first,
// so that commit() is left with nothing to do but the rename.
QString commitChecked(QSaveFile &file)
{
    if (const QString why = syncToDisk(file); !why.isEmpty()) {
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

// Copies the regular file at `from` to `to` whole or not at all.
QString copyWhole(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    QSaveFile copy(to);
    if (!copy.open(QIODevice::WriteOnly))
        return copy.errorString();
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(chunk.data(), chunk.size());
        if (got < 0) {
            copy.cancelWriting();
            return source.errorString();
        }
        if (got == 0)
            break;
        if (copy.write(chunk.constData(), got) != got) {
            const QString why = copy.errorString();
            copy.cancelWriting();
            return why;
        }
    }
    return commitChecked(copy);
}

} // namespace

QString writeSetFileAt(const QString &path, const EquipmentSetData &data, bool keepBackup)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("폴더를 만들 수 없습니다: %1").arg(folder);
    // Only a regular file is written over (through a link, as editors do); a FIFO or a device
    // is not a set file, and copying it for the backup could wait for ever.
    const QFileInfo existing(path);
    const bool exists = existing.exists();
    if (exists && !existing.isFile())
        return QStringLiteral("일반 파일이 아닙니다.");
    const std::string text = writeSetFile(data);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (const QString why = syncToDisk(file); !why.isEmpty()) {
        file.cancelWriting();
        return why;
    }
    // One backup, as editors keep one: what the file held before this save. It is taken only
    // now that the new content is on disk, so a failed write leaves both as they were; a failed
    // backup leaves the old backup whole, and the file itself untouched.
    if (keepBackup && exists) {
        const QString backup = path + QLatin1Char('~');
        if (const QString why = copyWhole(path, backup); !why.isEmpty()) {
            file.cancelWriting();
            return QStringLiteral("이전 내용을 %1에 남길 수 없습니다: %2").arg(isolated(backup), why);
        }
    }
    return commitChecked(file);
}

namespace {

const QString workingSetExtraPrefix = QStringLiteral("working-set-");

// A reason said inside a sentence of ours, as a sentence of its own.
QString asSentence(QString text)
{
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

// Renames what stands at `from` itself: a link is moved, never its target, and nothing is
// copied (QFile::rename would follow a link and fall back to reading the file).
bool renameItself(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(QFile(from).filesystemFileName(), QFile(to).filesystemFileName(), error);
    return !error;
}

} // namespace

WorkingSetKeeper::WorkingSetKeeper(EquipmentSet &set, QString path, QObject *parent)
    : QObject(parent), m_set(set), m_path(std::move(path))
{
    connect(&m_set, &EquipmentSet::changed, this, &WorkingSetKeeper::schedule);
    // Tried again while it keeps failing, so that the work is kept as soon as it can be, even
    // if the player changes nothing more.
    m_retry.setInterval(5000);
    connect(&m_retry, &QTimer::timeout, this, &WorkingSetKeeper::writePending);
}

WorkingSetKeeper::~WorkingSetKeeper()
{
    // What is pending is still written; the window that showed how keeping went is going.
    blockSignals(true);
    writePending();
}

QString WorkingSetKeeper::moveAside()
{
    const QString aside = m_path + QStringLiteral(".unreadable-")
                          + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = aside;
    for (int n = 2; fileKindAt(target) != FileKind::missing; ++n)
        target = aside + QStringLiteral("-%1").arg(n);
    return renameItself(m_path, target) ? target : QString();
}

QString WorkingSetKeeper::nameBeside() const
{
    const QDir folder = QFileInfo(m_path).absoluteDir();
    QString name;
    for (int n = 2; fileKindAt(name = folder.filePath(workingSetExtraPrefix + QStringLiteral("%1.velmora").arg(n)))
                    != FileKind::missing;
         ++n) {
    }
    return name;
}

QString WorkingSetKeeper::restore()
{
    // The working set, and the names beside it that kept the set while it could not be used;
    // the newest that can be read is brought back.
    const QString mainPath = m_path;
    const QFileInfo main(m_path);
    QFileInfoList kept = main.absoluteDir().entryInfoList(
        {workingSetExtraPrefix + QStringLiteral("*.velmora")}, QDir::Files | QDir::Hidden | QDir::System);
    QString said;
    if (fileKindAt(m_path) != FileKind::missing) {
        ReadSet read = readSetFileAt(m_path, Links::refuse);
        if (read.data) {
            kept.prepend(main);
        } else {
            // Not a byte of it is lost: it goes aside under a name of its own (a link itself,
            // not what it points to), and a regular file is written in its place.
            if (const QString target = moveAside(); !target.isEmpty()) {
                said = QStringLiteral("지난 목록을 읽을 수 없어 옮겨 두었습니다: %1").arg(isolated(target));
            } else {
                const QString beside = nameBeside();
                said = QStringLiteral("지난 목록을 읽을 수 없어 그대로 두었습니다: %1 - %2 목록은 이제 %3에 보관합니다")
                           .arg(isolated(m_path), asSentence(read.problem), isolated(QFileInfo(beside).fileName()));
                m_path = beside;
            }
        }
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const QFileInfo &a, const QFileInfo &b) { return a.lastModified() > b.lastModified(); });
    for (const QFileInfo &candidate : kept) {
        ReadSet read = readSetFileAt(candidate.absoluteFilePath(), Links::refuse);
        if (!read.data)
            continue;
        // The name beside is written on from now on while the working set cannot be used.
        if (m_path != mainPath && candidate.fileName().startsWith(workingSetExtraPrefix))
            m_path = candidate.absoluteFilePath();
        EquipmentSetData &data = *read.data;
        const std::size_t rows = data.rows.size();
        const bool empty = rows == 0 && !data.reference && !data.weights.any()
                           && std::all_of(data.bonuses.begin(), data.bonuses.end(), [](const auto &b) { return !b; });
        if (empty)
            break;
        m_set.restore(std::move(data.rows), data.bonuses, std::move(data.reference), data.weights);
        m_pending = false; // what was just read is what the file holds
        const QString restored = QStringLiteral("지난 목록을 불러왔습니다 (%1개)").arg(rows);
        return said.isEmpty() ? restored : said + QStringLiteral(" · ") + restored;
    }
    return said;
}

void WorkingSetKeeper::schedule()
{
    m_pending = true;
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        writePending();
    });
}

bool WorkingSetKeeper::writePending()
{
    if (!m_pending)
        return true;
    // Anything but a regular file where the working set goes (a link, a FIFO) is moved aside
    // first: the set is never written through a link into a file that is not ours.
    if (fileKindAt(m_path) == FileKind::other && moveAside().isEmpty())
        m_path = nameBeside();
    const QString why = writeSetFileAt(m_path, setData(m_set), false);
    if (why.isEmpty())
        m_pending = false;
    setFailure(why);
    return !m_pending;
}

void WorkingSetKeeper::setFailure(const QString &why)
{
    if (why.isEmpty())
        m_retry.stop();
    else if (!m_retry.isActive())
        m_retry.start();
    if (why == m_failure)
        return;
    m_failure = why;
    emit failureChanged(why);
}

} // namespace velmora
