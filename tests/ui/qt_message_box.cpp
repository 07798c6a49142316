// Message boxes asked for from a worker thread are shown on the UI thread and the answer
// returns to the worker.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>

#include "support/ui_widgets.h"
#include "widgets/qt_message_box.h"

using namespace tarnwick;

class TestQtMessageBox : public QObject {
    Q_OBJECT

private:
    // Shows the next box to look, then presses button on it.
    static void AnswerNextBox(QMessageBox::StandardButton button,
                              std::function<void(const QMessageBox&)> look) {
        test::OnNextModal([=](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box != nullptr);
            look(*box);
            box->button(button)->click();
        });
    }
    // Records "caption|text" of a box, and where it was made when not on the UI thread.
    static std::function<void(const QMessageBox&)> Record(QString& shown) {
        return [&shown](const QMessageBox& box) {
            shown = box.windowTitle() + '|' + box.text() +
                    (box.thread() == qApp->thread() ? "" : " (off the UI thread)");
        };
    }

private slots:
    void questionFromWorkerThread_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(QMessageBox::Yes) << int(MessageAnswer::Yes);
        QTest::newRow("no") << int(QMessageBox::No) << int(MessageAnswer::No);
    }

    void questionFromWorkerThread() {
        QFETCH(int, button);
        QFETCH(int, answer);
        QtMessageBox messages;
        QString shown;
        AnswerNextBox(static_cast<QMessageBox::StandardButton>(button), Record(shown));
        std::atomic<int> result{-1};
        QThread* worker = QThread::create([&] {
            result = static_cast<int>(messages.Show("Set the clock?", "Tarnwick",
                                                    MessageButtons::YesNo, MessageIcon::Question));
        });
        worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(worker->isFinished(), 5000);
        delete worker;
        QCOMPARE(result.load(), answer);
        QCOMPARE(shown, QStringLiteral("Tarnwick|Set the clock?"));
    }

    void okOnTheUiThread() {
        QtMessageBox messages;
        QString shown;
        AnswerNextBox(QMessageBox::Ok, Record(shown));
        QCOMPARE(messages.Show("You Already Have An Instance Of Tarnwick", "Exiting Tarnwick",
                               MessageButtons::Ok, MessageIcon::None),
                 MessageAnswer::Ok);
        QCOMPARE(shown,
                 QStringLiteral("Exiting Tarnwick|You Already Have An Instance Of Tarnwick"));
    }

    // Notices come from a web server: markup is shown as it is, never rendered.
    void markupIsPlainTextAndStopIsTheCriticalIcon() {
        QtMessageBox messages;
        int format = -1;
        int icon = -1;
        AnswerNextBox(QMessageBox::No, [&](const QMessageBox& box) {
            format = box.textFormat();
            icon = box.icon();
        });
        QCOMPARE(messages.Show("<a href='file:///bin/sh'>Update</a>", "Tarnwick",
                               MessageButtons::YesNo, MessageIcon::Stop),
                 MessageAnswer::No);
        QCOMPARE(format, int(Qt::PlainText));
        QCOMPARE(icon, int(QMessageBox::Critical));
    }
};

QTEST_MAIN(TestQtMessageBox)
#include "qt_message_box.moc"
