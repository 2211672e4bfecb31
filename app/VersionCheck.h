#pragma once

#include <QString>
#include <QTranslator>

#include <memory>
#include <optional>
#include <stdexcept>

/// The version check could not be carried out: the document could not be fetched, was empty, or
/// did not start with a number. what() says why, in Korean.
class VersionCheckError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The release number this program carries; the version document names the current one.
inline constexpr double releaseNumber = 3;

/// Fetches the version document at `versionUrl` (one GET, on a request object of its own) and
/// tells whether its first "//"-separated field names this release: "3", "3.0", " 03 " and
/// "3//any note" do; "4" and "2.9" do not. Throws VersionCheckError when the document cannot be
/// fetched, is empty, or its first field is not a number ("abc", "").
/// When the site takes longer than half a second, a small window ("버전 확인 중…", objectName
/// "VersionCheckProgress") shows until the answer is in; it is gone when this returns.
bool CheckVersion(const QString &versionUrl);

/// What start-up sets up once QApplication exists, before the version check: a relative XDG base
/// folder forgotten (velmora::ignoreRelativeBaseDirectories), the program's icon
/// for every window and box, and Qt's own button texts (확인, 취소) in Korean whatever the
/// system's language. The translator that does the latter is returned (null when Qt's
/// translations are not installed, and the buttons stay in English); keep it while the program
/// runs.
std::unique_ptr<QTranslator> prepareApplication();

/// How the start-up check ended.
enum class VersionVerdict {
    current,     // "최신버전 입니다.": the program goes on
    outdated,    // "업데이트가 필요합니다. …": the program ends with status 1
    checkFailed, // the check itself failed (its box says why): the program ends with status 2
};

/// The status the program ends with after `verdict`; 0 for a current release (which goes on).
constexpr int exitStatus(VersionVerdict verdict)
{
    return verdict == VersionVerdict::outdated ? 1 : verdict == VersionVerdict::checkFailed ? 2 : 0;
}

/// The start-up check with its message boxes, before any window exists.
VersionVerdict passVersionCheck(const QString &versionUrl);
