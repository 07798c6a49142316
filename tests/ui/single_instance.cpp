// The single-instance rule inside one process: a lock held without an answer, a stranger on the
// socket, the lock's release (each socket row takes the same name again) and the instance name. The
// later copy that is answered is the end-to-end test's, with two real clocks.
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/single_instance.h"

using tarnwick::SingleInstance;

class TestSingleInstance : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_runtime;

private slots:
    void initTestCase() {
        QVERIFY(m_runtime.isValid());
        QFile::setPermissions(m_runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void heldLockWithoutAnswerIsReported() {
        // Held by a live process (this one) that never listens: the first copy still starting.
        SingleInstance probe(QStringLiteral("silent"));
        QLockFile held(probe.LockPath());
        QVERIFY(held.tryLock(0));
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(probe.Acquire(300), SingleInstance::Outcome::AnotherSilent);
        QVERIFY(elapsed.elapsed() < 2000);
        QVERIFY(!probe.IsListening());
    }

    // What a later copy may say on the socket: "open", with the desktop's token after a blank.
    void requestsOnTheSocket_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("token");
        QTest::newRow("open") << QByteArray("open\n") << true << QString();
        QTest::newRow("open with a token")
            << QByteArray("open kwin-42_ab.c\n") << true << QStringLiteral("kwin-42_ab.c");
        QTest::newRow("token with a control") << QByteArray("open a\x01b\n") << false << QString();
        QTest::newRow("stranger") << QByteArray("shutdown\n") << false << QString();
    }

    void requestsOnTheSocket() {
        QFETCH(QByteArray, request);
        QFETCH(bool, answered);
        QFETCH(QString, token);
        SingleInstance first(QStringLiteral("socket"));
        QCOMPARE(first.Acquire(), SingleInstance::Outcome::First);
        QSignalSpy opened(&first, &SingleInstance::openRequested);
        QLocalSocket socket;
        socket.connectToServer(first.ServerPath());
        QVERIFY(socket.waitForConnected(1000));
        socket.write(request);
        socket.flush();
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 2000);
        QCOMPARE(socket.readAll(), answered ? QByteArray("ok\n") : QByteArray());
        QCOMPARE(opened.count(), answered ? 1 : 0);
        if (answered) {
            QCOMPARE(opened.at(0).at(0).toString(), token);
        }
    }

    void instanceNameComesFromTheEnvironment() {
        qputenv("TARNWICK_INSTANCE", "a/b");
        QCOMPARE(SingleInstance::DefaultName(), QStringLiteral("a_b")); // one path component
        qunsetenv("TARNWICK_INSTANCE");
        QVERIFY(SingleInstance::DefaultName().startsWith(QLatin1String("tarnwick-")));
    }
};

QTEST_MAIN(TestSingleInstance)
#include "single_instance.moc"
