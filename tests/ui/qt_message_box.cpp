// Message boxes asked for from a worker thread are shown on the UI thread and the answer
// returns to the worker; notices come from a web server, so markup is shown as it is.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <atomic>

#include "support/ui_widgets.h"
#include "widgets/qt_message_box.h"

using namespace tarnwick;

class TestQtMessageBox : public QObject {
    Q_OBJECT

private slots:
    void boxes_data() {
        QTest::addColumn<bool>("fromWorker");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("shown"); // caption|text|format|icon, where the box was made
        const QString ask = "Set the clock?";
        const int yesNo = int(MessageButtons::YesNo);
        const int question = int(MessageIcon::Question);
        QTest::newRow("worker yes") << true << yesNo << question << ask << int(QMessageBox::Yes)
                                    << int(MessageAnswer::Yes) << "Tarnwick|Set the clock?|0|4 ui";
        QTest::newRow("worker no") << true << yesNo << question << ask << int(QMessageBox::No)
                                   << int(MessageAnswer::No) << "Tarnwick|Set the clock?|0|4 ui";
        QTest::newRow("markup, stop icon, UI thread")
            << false << int(MessageButtons::Ok) << int(MessageIcon::Stop)
            << "<a href='file:///bin/sh'>Update</a>" << int(QMessageBox::Ok)
            << int(MessageAnswer::Ok) << "Tarnwick|<a href='file:///bin/sh'>Update</a>|0|3 ui";
    }

    void boxes() {
        QFETCH(bool, fromWorker);
        QFETCH(int, buttons);
        QFETCH(int, icon);
        QFETCH(QString, text);
        QFETCH(int, press);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        QtMessageBox messages;
        QString seen;
        test::OnNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box != nullptr);
            seen = QStringList({box->windowTitle(), box->text(), QString::number(box->textFormat()),
                                QString::number(box->icon())})
                       .join('|') +
                   (box->thread() == qApp->thread() ? " ui" : " worker");
            box->button(QMessageBox::StandardButton(press))->click();
        });
        std::atomic<int> result{-1};
        auto show = [&] {
            result = int(messages.Show(text.toStdString(), "Tarnwick", MessageButtons(buttons),
                                       MessageIcon(icon)));
        };
        if (fromWorker) {
            QThread* worker = QThread::create(show);
            worker->start();
            QTRY_VERIFY_WITH_TIMEOUT(worker->isFinished(), 5000);
            delete worker;
        } else {
            show();
        }
        QCOMPARE(result.load(), answer);
        QCOMPARE(seen, shown);
    }
};

QTEST_MAIN(TestQtMessageBox)
#include "qt_message_box.moc"
