#include "tests/support/PlayerActions.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace velmora::test {

namespace {

// Polls for the modal dialog `action` opens and hands it to `answer` once it is up; gives up
// after a while so that a missing dialog fails the test instead of hanging it.
void whenModalAppears(const std::function<void(QWidget *)> &answer, const std::function<void()> &action)
{
    auto *poll = new QTimer;
    int tries = 0;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &tries, answer] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->stop();
            answer(modal);
        } else if (++tries > 500) {
            poll->stop();
        }
    });
    poll->start(10);
    action();
    poll->stop();
    delete poll;
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

SeenMessage closeMessageBoxDuring(const std::function<void()> &action)
{
    SeenMessage seen;
    whenModalAppears(
        [&seen](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box) {
                modal->close(); // not the box the test waited for: shown stays false
                return;
            }
            seen.shown = true;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        },
        action);
    return seen;
}

SeenInput answerInputDialogDuring(const std::function<void()> &action, const QString &answer, bool cancel)
{
    SeenInput seen;
    whenModalAppears(
        [&](QWidget *modal) {
            auto *dialog = qobject_cast<QInputDialog *>(modal);
            if (!dialog) {
                modal->close(); // not the dialog the test waited for: shown stays false
                return;
            }
            seen.shown = true;
            seen.title = dialog->windowTitle();
            seen.prompt = dialog->labelText();
            seen.prefilled = dialog->textValue();
            auto *field = dialog->findChild<QLineEdit *>();
            if (cancel) {
                QTest::keyClick(field, Qt::Key_Escape);
                return;
            }
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
            typeText(field, answer);
            QTest::keyClick(field, Qt::Key_Return);
        },
        action);
    return seen;
}

} // namespace velmora::test
