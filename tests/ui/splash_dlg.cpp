// The start-up pictures, offscreen, with short steps.
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "app/splash_dlg.h"

using namespace tarnwick;

class TestSplashDlg : public QObject {
    Q_OBJECT

private slots:
    void picturesAreOurs() {
        CSplashDlg splash;
        auto* picture = splash.findChild<QLabel*>(QStringLiteral("1042"));
        QVERIFY(picture != nullptr);
        QCOMPARE(picture->pixmap().size(), QSize(320, 301));
        QCOMPARE(splash.size(), QSize(322, 303));
        QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void secondPictureFollowsThenTheEnd() {
        CSplashDlg splash(QString::fromLatin1(CSplashDlg::kFirstPicture),
                          QString::fromLatin1(CSplashDlg::kSecondPicture), 150);
        QString seenAtHalfway;
        QTimer::singleShot(220, &splash, [&] { seenAtHalfway = splash.CurrentPicture(); });
        QElapsedTimer elapsed;
        elapsed.start();
        splash.exec();
        QVERIFY2(elapsed.elapsed() >= 250, // timers may fire a little early
                 qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(seenAtHalfway, QString::fromLatin1(CSplashDlg::kSecondPicture));
    }

    void missingPicturesStillEnd() {
        CSplashDlg splash(QStringLiteral("/nonexistent/first.svg"),
                          QStringLiteral("/nonexistent/second.svg"), 100);
        QTimer::singleShot(5000, &splash, [&] { splash.done(99); }); // the bound of the test
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(splash.exec(), int(QDialog::Rejected));
        QVERIFY(elapsed.elapsed() < 4000);
        QVERIFY(splash.findChild<QLabel*>(QStringLiteral("1042"))->pixmap().isNull());
    }

    void keysEndAtOnce() {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            CSplashDlg splash; // 2 s steps
            QTimer::singleShot(50, &splash, [&] { QTest::keyClick(&splash, key); });
            QTimer::singleShot(3000, &splash, [&] { splash.done(99); });
            QElapsedTimer elapsed;
            elapsed.start();
            QVERIFY2(splash.exec() != 99 && elapsed.elapsed() < 1500,
                     qPrintable(QString::number(key)));
        }
    }
};

QTEST_MAIN(TestSplashDlg)
#include "splash_dlg.moc"
