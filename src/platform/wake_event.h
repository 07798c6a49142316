// A one-way signal another thread can wait on with poll(): once Signal() is called, the
// descriptor stays readable. Used to end a connect, a read or a name lookup at once.
#pragma once

namespace tarnwick {

class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    // Any thread; may be called more than once.
    void Signal() const;
    bool IsSignalled() const;
    // Readable once signalled; -1 when none could be made (then nothing can be woken early).
    int Descriptor() const { return m_fd; }

private:
    int m_fd;
};

} // namespace tarnwick
