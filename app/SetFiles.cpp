#include "app/SetFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
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
    // The generic data folder and a name of our own, not AppDataLocation: that one follows the
    // name of the program hosting the window, and a test program must find the same folder.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/velmora/working-set.velmora");
}

EquipmentSetData setData(const EquipmentSet &set)
{
    return {set.rows(), set.bonuses().texts, set.reference(), set.weights()};
}

ReadSet readSetFileAt(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("파일을 읽을 수 없습니다: %1").arg(file.errorString())};
    // More than a set can be is refused before it is read into memory.
    const qint64 size = file.size();
    if (size > static_cast<qint64>(setFileMaxBytes))
        return {std::nullopt, problemText({SetFileProblem::Kind::TooLarge, {}, static_cast<std::uint64_t>(size)})};
    const QByteArray bytes = file.read(static_cast<qint64>(setFileMaxBytes) + 1);
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("파일을 읽을 수 없습니다: %1").arg(file.errorString())};
    auto read = readSetFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (const auto *problem = std::get_if<SetFileProblem>(&read))
        return {std::nullopt, problemText(*problem)};
    return {std::move(std::get<EquipmentSetData>(read)), {}};
}

QString writeSetFileAt(const QString &path, const EquipmentSetData &data, bool keepBackup)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("폴더를 만들 수 없습니다: %1").arg(folder);
    const std::string text = writeSetFile(data);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    // One backup, as editors keep one: what the file held before this save. It is taken only
    // now that the new content is written, so a failed save leaves both as they were.
    if (keepBackup && QFileInfo::exists(path)) {
        const QString backup = path + QLatin1Char('~');
        QFile::remove(backup);
        if (!QFile::copy(path, backup)) {
            file.cancelWriting();
            return QStringLiteral("이전 내용을 %1에 남길 수 없습니다").arg(isolated(backup));
        }
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

WorkingSetKeeper::WorkingSetKeeper(EquipmentSet &set, QString path, QObject *parent)
    : QObject(parent), m_set(set), m_path(std::move(path))
{
    connect(&m_set, &EquipmentSet::changed, this, &WorkingSetKeeper::schedule);
}

WorkingSetKeeper::~WorkingSetKeeper() { writePending(); }

QString WorkingSetKeeper::restore()
{
    if (!QFileInfo::exists(m_path))
        return {};
    ReadSet read = readSetFileAt(m_path);
    if (!read.data) {
        // Not a byte of it is lost: it goes aside under a name of its own, and the window opens
        // empty.
        const QString aside = m_path + QStringLiteral(".unreadable-")
                              + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString target = aside;
        for (int n = 2; QFileInfo::exists(target); ++n)
            target = aside + QStringLiteral("-%1").arg(n);
        if (!QFile::rename(m_path, target)) {
            m_keeping = false;
            return QStringLiteral("지난 목록을 읽을 수 없습니다 (%1). 파일은 그대로 두었습니다: %2")
                .arg(read.problem, isolated(m_path));
        }
        return QStringLiteral("지난 목록을 읽을 수 없어 옮겨 두었습니다: %1").arg(isolated(target));
    }
    EquipmentSetData &data = *read.data;
    const std::size_t rows = data.rows.size();
    const bool empty = rows == 0 && !data.reference && !data.weights.any()
                       && std::all_of(data.bonuses.begin(), data.bonuses.end(), [](const auto &b) { return !b; });
    if (empty)
        return {};
    m_set.restore(std::move(data.rows), data.bonuses, std::move(data.reference), data.weights);
    m_pending = false; // what was just read is what the file holds
    return QStringLiteral("지난 목록을 불러왔습니다 (%1개)").arg(rows);
}

void WorkingSetKeeper::schedule()
{
    if (m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, &WorkingSetKeeper::writePending);
}

void WorkingSetKeeper::writePending()
{
    if (!m_pending || !m_keeping)
        return;
    m_pending = false;
    const QString why = writeSetFileAt(m_path, setData(m_set), false);
    // Said once while writing keeps failing, not on every change.
    if (!why.isEmpty() && !m_failing)
        emit writeFailed(why);
    m_failing = !why.isEmpty();
}

} // namespace velmora
