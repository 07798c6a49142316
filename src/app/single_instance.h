// One clock per user. The first copy holds a lock file in the user's runtime directory, listens
// on a local socket beside it and, where a session bus runs, offers the freedesktop
// org.freedesktop.Application interface under its own bus name. A later copy finds the lock
// held and asks the first to open its window, handing on the token the desktop started it with
// (XDG_ACTIVATION_TOKEN on Wayland, DESKTOP_STARTUP_ID on X11) so that the first copy may raise
// itself: over D-Bus (Activate with "activation-token" / "desktop-startup-id"), else through the
// socket. A lock left by a copy that died is taken over. The instance name comes from
// TARNWICK_INSTANCE when set (tests run in parallel), otherwise "tarnwick-" + the user id.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>

namespace tarnwick {

class SingleInstance final : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        First,           // this copy runs (it holds the lock, or no lock could be made)
        AnotherAnswered, // another copy runs and was asked to open its window
        AnotherSilent,   // another copy holds the lock but did not answer
    };

    explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString DefaultName();
    // $XDG_RUNTIME_DIR (Qt's runtime location), else the temporary directory.
    static QString RuntimeDirectory();
    // The session-bus name of the instance: the desktop entry's id, with the instance name
    // when TARNWICK_INSTANCE gives one.
    QString BusName() const;
    // The token this process was started with: XDG_ACTIVATION_TOKEN, else DESKTOP_STARTUP_ID;
    // empty when neither holds one. Read before Qt's platform plugin starts, which takes
    // DESKTOP_STARTUP_ID out of the environment for the first window.
    static QString ActivationTokenFromEnvironment();
    // A token as it came from another process, or empty when it is not one: at most 1024
    // printable ASCII characters without blanks.
    static QString CheckedToken(const QString& token);

    // Takes the lock or, when it is held, asks the holder to open its window with token,
    // waiting at most answerTimeoutMs for its answer.
    Outcome Acquire(int answerTimeoutMs = 2000, const QString& token = QString());
    // Offers the D-Bus interface (the socket is there from Acquire on); false without a bus.
    bool PublishOnBus();

    QString LockPath() const { return m_directory + "/" + m_name + ".lock"; }
    QString ServerPath() const { return m_directory + "/" + m_name + ".socket"; }
    bool IsListening() const { return m_server.isListening(); }

    // org.freedesktop.Application.Activate, as the bus hands it on.
    void Activate(const QVariantMap& platformData);

signals:
    // A later copy asked this one to open its main window; token as above, or empty.
    void openRequested(const QString& token);

private:
    void Listen();
    void OnNewConnection();
    bool AskOverBus(const QString& token, int timeoutMs);
    Outcome AskOverSocket(const QString& token, int timeoutMs);

    QString m_name;
    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    bool m_published = false;
    bool m_debug = false;
};

} // namespace tarnwick
