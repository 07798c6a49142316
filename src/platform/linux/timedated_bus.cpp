#include "platform/linux/timedated_bus.h"

#include <cerrno>
#include <cstring>

namespace tarnwick::timedated {

namespace {

// How long one wait for the reply lasts before the stop request is looked at again.
constexpr std::uint64_t kSliceMicroseconds = 50'000;

struct Pending {
    const std::function<int(sd_bus_message*)>* read = nullptr;
    bool done = false;
    CallResult result;
};

bool MeansNoService(std::string_view name) {
    return name == SD_BUS_ERROR_SERVICE_UNKNOWN || name == SD_BUS_ERROR_NAME_HAS_NO_OWNER ||
           name.starts_with("org.freedesktop.DBus.Error.Spawn.");
}

int OnReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto* pending = static_cast<Pending*>(userdata);
    pending->done = true;
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    if (error == nullptr) {
        const int r = *pending->read ? (*pending->read)(reply) : 0;
        pending->result.kind = r >= 0 ? CallResult::Kind::Reply : CallResult::Kind::Failed;
        if (r < 0) {
            pending->result.detail = std::string("unexpected reply: ") + std::strerror(-r);
        }
        return 0;
    }
    const std::string_view name = error->name ? error->name : "";
    if (name == SD_BUS_ERROR_NO_REPLY || name == SD_BUS_ERROR_TIMEOUT) {
        pending->result.kind = CallResult::Kind::TimedOut;
    } else if (MeansNoService(name)) {
        pending->result.kind = CallResult::Kind::NoService;
        pending->result.detail = std::string(name);
    } else {
        pending->result.kind = CallResult::Kind::Error;
    }
    pending->result.errorName = std::string(name);
    pending->result.errorMessage = error->message ? error->message : "";
    return 0;
}

} // namespace

CallResult Call(const char* interface, const char* member,
                const std::function<int(sd_bus_message*)>& build,
                const std::function<int(sd_bus_message*)>& read, bool interactive,
                std::chrono::microseconds timeout, std::stop_token stop) {
    Pending pending;
    pending.read = &read;
    sd_bus* bus = nullptr;
    int r = sd_bus_open_system(&bus);
    if (r < 0) {
        pending.result.kind = CallResult::Kind::NoService;
        pending.result.detail = std::string("no system bus: ") + std::strerror(-r);
        return pending.result;
    }
    sd_bus_message* call = nullptr;
    sd_bus_slot* slot = nullptr;
    r = sd_bus_message_new_method_call(bus, &call, kName, kPath, interface, member);
    if (r >= 0 && interactive) {
        r = sd_bus_message_set_allow_interactive_authorization(call, 1);
    }
    if (r >= 0 && build) {
        r = build(call);
    }
    if (r >= 0) {
        r = sd_bus_call_async(bus, &slot, call, &OnReply, &pending,
                              static_cast<std::uint64_t>(timeout.count()));
    }
    if (r < 0) {
        pending.result.kind = CallResult::Kind::Failed;
        pending.result.detail = std::strerror(-r);
    } else {
        // sd-bus answers a call that times out with an error of its own; the deadline here
        // only guards against a bus that stops working meanwhile.
        const auto end = std::chrono::steady_clock::now() + timeout + std::chrono::seconds(1);
        while (!pending.done) {
            if (stop.stop_requested()) {
                pending.result.kind = CallResult::Kind::Stopped;
                break;
            }
            if (std::chrono::steady_clock::now() > end) {
                pending.result.kind = CallResult::Kind::TimedOut;
                break;
            }
            r = sd_bus_process(bus, nullptr);
            if (r > 0) {
                continue;
            }
            if (r == 0) {
                r = sd_bus_wait(bus, kSliceMicroseconds);
            }
            if (r < 0 && r != -EINTR) {
                // The connection went: before the call was delivered, nobody was there.
                pending.result.kind =
                    r == -ECONNRESET || r == -ENOTCONN || r == -ECONNREFUSED || r == -ENOENT
                        ? CallResult::Kind::NoService
                        : CallResult::Kind::Failed;
                pending.result.detail = std::string("system bus: ") + std::strerror(-r);
                break;
            }
        }
    }
    sd_bus_slot_unref(slot);
    sd_bus_message_unref(call);
    // Not flushed: a call given up is not waited for.
    sd_bus_close_unref(bus);
    return pending.result;
}

} // namespace tarnwick::timedated
