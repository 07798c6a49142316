#include "app/single_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

#include <cstdio>

namespace tarnwick {

namespace {

constexpr char kOpenRequest[] = "open\n";
constexpr char kOpenAnswer[] = "ok\n";

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)), m_directory(RuntimeDirectory()),
      m_debug(qEnvironmentVariableIsSet("TARNWICK_DEBUG_INSTANCE")) {
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
}

SingleInstance::~SingleInstance() {
    m_server.close();
}

QString SingleInstance::DefaultName() {
    const QString fromEnvironment = qEnvironmentVariable("TARNWICK_INSTANCE");
    if (!fromEnvironment.isEmpty()) {
        // The name becomes part of file names: keep it to one path component.
        QString safe = fromEnvironment;
        safe.replace('/', '_');
        return safe;
    }
    return QStringLiteral("tarnwick-%1").arg(::getuid());
}

QString SingleInstance::RuntimeDirectory() {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty() || !QDir().mkpath(directory)) {
        directory = QDir::tempPath();
    }
    return directory;
}

SingleInstance::Outcome SingleInstance::Acquire(int answerTimeoutMs) {
    m_lock = std::make_unique<QLockFile>(LockPath());
    // Age alone never makes a lock stale: only a holder that no longer runs does.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        Listen();
        return Outcome::First;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        // The lock cannot be made here (permissions, full disk): run as the only copy.
        if (m_debug) {
            std::fprintf(stderr, "tarnwick: cannot create the lock %s; running without it\n",
                         qPrintable(LockPath()));
        }
        m_lock.reset();
        return Outcome::First;
    }
    m_lock.reset();

    QElapsedTimer elapsed;
    elapsed.start();
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    if (!socket.waitForConnected(answerTimeoutMs)) {
        return Outcome::AnotherSilent;
    }
    socket.write(kOpenRequest);
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n')) {
        const qint64 left = answerTimeoutMs - elapsed.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(static_cast<int>(left))) {
            return Outcome::AnotherSilent;
        }
        answer += socket.readAll();
    }
    return answer == kOpenAnswer ? Outcome::AnotherAnswered : Outcome::AnotherSilent;
}

void SingleInstance::Listen() {
    // A socket file left by a copy that died would make listen() fail.
    QLocalServer::removeServer(ServerPath());
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(ServerPath())) {
        std::fprintf(stderr, "tarnwick: cannot listen on %s: %s\n", qPrintable(ServerPath()),
                     qPrintable(m_server.errorString()));
        return;
    }
    if (m_debug) {
        std::fprintf(stderr, "tarnwick: instance %s listening\n", qPrintable(m_name));
    }
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64) {
                    socket->abort(); // not one of ours
                }
                return;
            }
            const QByteArray request = socket->readLine();
            if (request != kOpenRequest) {
                socket->abort();
                return;
            }
            socket->write(kOpenAnswer);
            socket->flush();
            socket->disconnectFromServer();
            if (m_debug) {
                std::fprintf(stderr, "tarnwick: open requested\n");
            }
            emit openRequested();
        });
    }
}

} // namespace tarnwick
