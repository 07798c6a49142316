// One clock per user. The first copy holds a lock file in the user's runtime directory and
// listens on a local socket beside it; a later copy finds the lock held, asks the first copy
// through the socket to open its window, and ends. A lock left by a copy that died is taken
// over. The instance name comes from TARNWICK_INSTANCE when set (tests run in parallel),
// otherwise "tarnwick-" + the user id.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

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

    // Takes the lock or, when it is held, asks the holder to open its window, waiting at most
    // answerTimeoutMs for its answer.
    Outcome Acquire(int answerTimeoutMs = 2000);

    QString LockPath() const { return m_directory + "/" + m_name + ".lock"; }
    QString ServerPath() const { return m_directory + "/" + m_name + ".socket"; }
    bool IsListening() const { return m_server.isListening(); }

signals:
    // A later copy asked this one to open its main window.
    void openRequested();

private:
    void Listen();
    void OnNewConnection();

    QString m_name;
    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    bool m_debug = false;
};

} // namespace tarnwick
