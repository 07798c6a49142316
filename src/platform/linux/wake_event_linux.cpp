#include "platform/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace tarnwick {

WakeEvent::WakeEvent() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void WakeEvent::Signal() const {
    if (m_fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
    }
}

bool WakeEvent::IsSignalled() const {
    pollfd p{m_fd, POLLIN, 0};
    return m_fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

} // namespace tarnwick
