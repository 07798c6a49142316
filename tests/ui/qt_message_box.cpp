// Message boxes asked for from a worker thread are shown on the UI thread and the answer
// returns to the worker.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

#include "widgets/qt_message_box.h"

using namespace tarnwick;

class TestQtMessageBox : public QObject {
    Q_OBJECT

private:
    // Presses the button of the next box that appears, and records where it was shown.
    void AnswerNextBox(QMessageBox::StandardButton button, QString* text, bool* onUiThread) {
        // Polls for the box every 10 ms, for at most two seconds.
        auto* timer = new QTimer(this);
        auto attempts = std::make_shared<int>(0);
        connect(timer, &QTimer::timeout, this, [=] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                if (++*attempts >= 200) {
                    timer->deleteLater();
                }
                return;
            }
            timer->stop();
            timer->deleteLater();
            *text = box->windowTitle() + QLatin1Char('|') + box->text();
            *onUiThread = box->thread() == qApp->thread();
            box->button(button)->click();
        });
        timer->start(10);
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
        bool onUiThread = false;
        AnswerNextBox(static_cast<QMessageBox::StandardButton>(button), &shown, &onUiThread);
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
        QVERIFY(onUiThread);
    }

    void okOnTheUiThread() {
        QtMessageBox messages;
        QString shown;
        bool onUiThread = false;
        AnswerNextBox(QMessageBox::Ok, &shown, &onUiThread);
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
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            format = box->textFormat();
            icon = box->icon();
            box->button(QMessageBox::No)->click();
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
