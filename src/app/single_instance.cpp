#include "app/single_instance.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

#include <cstdio>

namespace tarnwick {

namespace {

constexpr char kOpenRequest[] = "open"; // "open" [" " token] "\n"
constexpr char kOpenAnswer[] = "ok\n";
constexpr char kObjectPath[] = "/org/tarnwick/Tarnwick";
constexpr char kApplicationInterface[] = "org.freedesktop.Application";
constexpr qsizetype kMaxToken = 1024;

// org.freedesktop.Application on the instance's object; every call opens the window.
class ApplicationAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit ApplicationAdaptor(SingleInstance* instance)
        : QDBusAbstractAdaptor(instance), m_instance(instance) {}

public slots:
    void Activate(const QVariantMap& platformData) { m_instance->Activate(platformData); }
    void Open(const QStringList&, const QVariantMap& platformData) {
        m_instance->Activate(platformData);
    }
    void ActivateAction(const QString&, const QVariantList&, const QVariantMap& platformData) {
        m_instance->Activate(platformData);
    }

private:
    SingleInstance* m_instance;
};

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)), m_directory(RuntimeDirectory()),
      m_debug(qEnvironmentVariableIsSet("TARNWICK_DEBUG_INSTANCE")) {
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
}

SingleInstance::~SingleInstance() {
    if (m_published) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        bus.unregisterService(BusName());
    }
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

QString SingleInstance::BusName() const {
    if (!qEnvironmentVariableIsSet("TARNWICK_INSTANCE")) {
        return QStringLiteral("org.tarnwick.Tarnwick");
    }
    // A bus-name element holds letters, digits, '_' and '-' and starts with no digit.
    QString element = QStringLiteral("I");
    for (QChar c : m_name) {
        element += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' ? c : QChar(u'_');
    }
    return QStringLiteral("org.tarnwick.Tarnwick.") + element;
}

QString SingleInstance::CheckedToken(const QString& token) {
    if (token.size() > kMaxToken) {
        return QString();
    }
    for (QChar c : token) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f) {
            return QString();
        }
    }
    return token;
}

QString SingleInstance::ActivationTokenFromEnvironment() {
    for (const char* variable : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
        const QString token = CheckedToken(qEnvironmentVariable(variable));
        if (!token.isEmpty()) {
            return token;
        }
    }
    return QString();
}

SingleInstance::Outcome SingleInstance::Acquire(int answerTimeoutMs, const QString& token) {
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
    if (AskOverBus(token, answerTimeoutMs)) {
        return Outcome::AnotherAnswered;
    }
    return AskOverSocket(token, answerTimeoutMs);
}

bool SingleInstance::AskOverBus(const QString& token, int timeoutMs) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return false; // no bus: Qt would look for one in X11 properties and files first
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(BusName())) {
        return false; // the first copy may not have published yet: the socket answers
    }
    QVariantMap platformData;
    if (!token.isEmpty()) {
        const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
                             !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
        platformData.insert(wayland ? QStringLiteral("activation-token")
                                    : QStringLiteral("desktop-startup-id"),
                            token);
    }
    QDBusMessage call = QDBusMessage::createMethodCall(BusName(), QString::fromLatin1(kObjectPath),
                                                       QString::fromLatin1(kApplicationInterface),
                                                       QStringLiteral("Activate"));
    call << platformData;
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (m_debug) {
        std::fprintf(stderr, "tarnwick: asked %s over D-Bus: %s\n", qPrintable(BusName()),
                     reply.type() == QDBusMessage::ReplyMessage ? "answered"
                                                                : qPrintable(reply.errorMessage()));
    }
    return reply.type() == QDBusMessage::ReplyMessage;
}

SingleInstance::Outcome SingleInstance::AskOverSocket(const QString& token, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    if (!socket.waitForConnected(timeoutMs)) {
        return Outcome::AnotherSilent;
    }
    QByteArray request(kOpenRequest);
    if (!token.isEmpty()) {
        request += ' ' + token.toLatin1();
    }
    socket.write(request + '\n');
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n')) {
        const qint64 left = timeoutMs - elapsed.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(static_cast<int>(left))) {
            return Outcome::AnotherSilent;
        }
        answer += socket.readAll();
    }
    return answer == kOpenAnswer ? Outcome::AnotherAnswered : Outcome::AnotherSilent;
}

bool SingleInstance::PublishOnBus() {
    if (m_published || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return m_published;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    new ApplicationAdaptor(this);
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this,
                            QDBusConnection::ExportAdaptors)) {
        return false;
    }
    m_published = bus.registerService(BusName());
    if (!m_published) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
    }
    if (m_debug) {
        std::fprintf(stderr, "tarnwick: %s %s\n", qPrintable(BusName()),
                     m_published ? "published" : "not published");
    }
    return m_published;
}

void SingleInstance::Activate(const QVariantMap& platformData) {
    QString token = CheckedToken(platformData.value(QStringLiteral("activation-token")).toString());
    if (token.isEmpty()) {
        token = CheckedToken(platformData.value(QStringLiteral("desktop-startup-id")).toString());
    }
    if (m_debug) {
        std::fprintf(stderr, "tarnwick: open requested over D-Bus, token \"%s\"\n",
                     qPrintable(token));
    }
    emit openRequested(token);
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
                if (socket->bytesAvailable() > kMaxToken + 16) {
                    socket->abort(); // not one of ours
                }
                return;
            }
            const QByteArray line = socket->readLine().chopped(1);
            const qsizetype blank = line.indexOf(' ');
            const QByteArray word = blank < 0 ? line : line.first(blank);
            const QString token = blank < 0 ? QString() : QString::fromLatin1(line.mid(blank + 1));
            if (word != kOpenRequest || (!token.isEmpty() && CheckedToken(token).isEmpty())) {
                socket->abort();
                return;
            }
            socket->write(kOpenAnswer);
            socket->flush();
            socket->disconnectFromServer();
            if (m_debug) {
                std::fprintf(stderr, "tarnwick: open requested, token \"%s\"\n", qPrintable(token));
            }
            emit openRequested(token);
        });
    }
}

} // namespace tarnwick

#include "single_instance.moc"
