#include "tests/support/PlayerActions.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <vector>

#include <gtest/gtest.h>

namespace velmora::test {

namespace {

// Polls, for as long as `action` runs, for the modal dialogs it opens, and hands them in turn to
// `answers`, one dialog each. A dialog that its answer does not take (it returns false), or any
// further one, is a failure of the test: it is reported with its text and closed, so the test
// goes on instead of hanging until the test runner's limit. Nothing here gives up after a time:
// on a busy machine a dialog may come late, and it is still answered.
void whenModalsAppear(const std::vector<std::function<bool(QWidget *)>> &answers, const std::function<void()> &action)
{
    QTimer poll;
    QPointer<QWidget> answered;
    std::size_t next = 0;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == answered)
            return;
        if (next < answers.size() && answers[next](modal)) {
            answered = modal;
            ++next;
            return;
        }
        const auto *box = qobject_cast<QMessageBox *>(modal);
        ADD_FAILURE() << "an unexpected dialog came up: " << modal->metaObject()->className() << " "
                      << (box ? box->text() : modal->windowTitle()).toStdString();
        modal->close();
    });
    poll.start(10);
    action();
    poll.stop();
}

void whenModalAppears(const std::function<bool(QWidget *)> &answer, const std::function<void()> &action)
{
    whenModalsAppear({answer}, action);
}

std::function<bool(QWidget *)> pressInMessageBox(SeenMessage &seen, QMessageBox::StandardButton button)
{
    return [&seen, button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return false;
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
        return true;
    };
}

std::function<bool(QWidget *)> answerFileDialog(bool &shown, const QString &path)
{
    return [&shown, path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return false;
        shown = true;
        auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (path.isEmpty() || !field) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            return true;
        }
        // Set rather than typed: the field completes what is typed with a popup of its own,
        // which would take the Enter that follows.
        field->setText(path);
        QTest::keyClick(field, Qt::Key_Return);
        return true;
    };
}

} // namespace

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        const QString one(ch);
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, one, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, one, Qt::NoModifier);
    }
}

SeenMessage closeMessageBoxDuring(const std::function<void()> &action, QMessageBox::StandardButton button)
{
    SeenMessage seen;
    whenModalAppears(pressInMessageBox(seen, button), action);
    return seen;
}

SeenMessage closeMessageBoxThenFileDialogDuring(const std::function<void()> &action,
                                                QMessageBox::StandardButton button, const QString &path)
{
    SeenMessage seen;
    bool shown = false;
    whenModalsAppear({pressInMessageBox(seen, button), answerFileDialog(shown, path)}, action);
    EXPECT_TRUE(shown) << "no file dialog after the box";
    return seen;
}

SeenInput answerInputDialogDuring(const std::function<void()> &action, const QString &answer, bool cancel)
{
    SeenInput seen;
    whenModalAppears(
        [&](QWidget *modal) {
            auto *dialog = qobject_cast<QInputDialog *>(modal);
            if (!dialog)
                return false;
            seen.shown = true;
            seen.title = dialog->windowTitle();
            seen.prompt = dialog->labelText();
            seen.prefilled = dialog->textValue();
            auto *field = dialog->findChild<QLineEdit *>();
            if (cancel) {
                QTest::keyClick(field, Qt::Key_Escape);
                return true;
            }
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
            typeText(field, answer);
            QTest::keyClick(field, Qt::Key_Return);
            return true;
        },
        action);
    return seen;
}

bool answerFileDialogDuring(const std::function<void()> &action, const QString &path)
{
    bool shown = false;
    whenModalAppears(answerFileDialog(shown, path), action);
    return shown;
}

} // namespace velmora::test
