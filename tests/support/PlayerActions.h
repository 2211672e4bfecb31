#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

#include <functional>
#include <ostream>

/// Test failures show a QString as its text.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora::test {

/// What a message box showed before the test closed it.
struct SeenMessage {
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

/// What an input dialog showed before the test answered it.
struct SeenInput {
    bool shown = false;
    QString title;
    QString prompt;
    QString prefilled;
};

/// Runs `action` (which opens a modal message box) and presses the box's OK button (or `button`)
/// once it is up, the way a player would. Returns what the box showed; `shown` is false when no
/// box came.
SeenMessage closeMessageBoxDuring(const std::function<void()> &action, QMessageBox::StandardButton button = QMessageBox::Ok);

/// The same, and then answers the file dialog that the button opens as answerFileDialogDuring does.
SeenMessage closeMessageBoxThenFileDialogDuring(const std::function<void()> &action,
                                                QMessageBox::StandardButton button, const QString &path);

/// Types `text` into `widget` one key event per character, Korean included (QTest::keyClicks
/// knows only the keys of a Latin keyboard).
void typeText(QWidget *widget, const QString &text);

/// Runs `action` (which opens a modal text input dialog), types `answer` into the dialog's field
/// with key events and presses Enter; with `cancel`, presses Escape instead.
SeenInput answerInputDialogDuring(const std::function<void()> &action, const QString &answer, bool cancel = false);

/// Runs `action` (which opens a modal file dialog), types `path` into the dialog's file name field
/// with key events and presses Enter; with an empty `path`, presses Escape instead. Returns
/// whether a file dialog came up.
bool answerFileDialogDuring(const std::function<void()> &action, const QString &path);

} // namespace velmora::test
