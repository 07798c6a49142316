// One check's measurement after its first answer: the answer is confirmed by more hosts of the
// list, and the offset refined by queries aimed so that the server's change of second falls in
// the middle of the exchange.
//
//   first answer -> Confirm (distinct hosts after it, in list order, until three answers)
//   -> largest group of agreeing servers -> Refine (aimed queries over that group)
//   -> Outcome: the agreeing group's offset interval, and a verdict for every server asked.
//
// No server is asked twice within the spacing. Queries and waits are the caller's (sockets
// and an interruptible sleep), so the window's loop and tarnwick-cli share the logic.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sync/offset_estimate.h"
#include "sync/time_protocol.h"

namespace tarnwick {

class IClock;
struct TimeQueryResult;

struct SearchParams {
    std::chrono::milliseconds queryTimeout{7500}; // one query, its name lookup included
    std::chrono::milliseconds minSpacing{4000};   // between two queries to one server
    int maxQueries = 8; // in all, the first pass's included (it asks every host if need be)
    std::size_t wantedAnswers = 3; // from distinct hosts, before a step
    std::uint16_t defaultPort = kTimeProtocolPort;
};

// Servers whose answers lie this close (microseconds) still agree: honest servers' clocks
// differ by a few milliseconds, and a difference this small never moves a whole-second step.
inline constexpr std::int64_t kAgreementSlackMicroseconds = 100'000;
// A step larger than this (either way) is never taken without asking.
inline constexpr std::int64_t kLargeStepMicroseconds = 15LL * 3600 * 1'000'000;

enum class ServerVerdict { Agrees, Disagrees, NoAnswer };

struct ServerReport {
    std::string entry; // as the list writes it
    ServerVerdict verdict = ServerVerdict::NoAnswer;
    std::optional<OffsetInterval> interval; // its answers intersected; empty when they contradict
    std::string reason;                     // why no answer
    int queries = 0;
};

struct CheckOutcome {
    bool answered = false;
    // The answer the status names: the first one of the agreeing group.
    std::string server;
    std::int64_t differenceSeconds = 0;
    OffsetInterval estimate;           // the agreeing group's common offset
    std::vector<ServerReport> servers; // in the order first asked
    std::size_t agreeing = 0;          // servers in the agreeing group
    std::size_t distinctHosts = 0;     // in the list
    // No group stands out: as many answers against the first as for it.
    bool contested = false;
    // The group is one a step may rest on: unique, and of two or more servers when the list
    // names two or more hosts.
    bool agreed = false;
    int queries = 0;
};

class OffsetSearch {
public:
    using Query = std::function<TimeQueryResult(const ServerAddress&, std::chrono::milliseconds)>;
    // Sleeps; false when the check is to stop.
    using Wait = std::function<bool(std::chrono::microseconds)>;

    OffsetSearch(std::vector<std::string> entries, const IClock& clock, SearchParams params,
                 Query query, Wait wait);
    ~OffsetSearch();
    OffsetSearch(const OffsetSearch&) = delete;
    OffsetSearch& operator=(const OffsetSearch&) = delete;

    // The first answer, from the list's entry at position, asked at askedAt.
    void AddFirstAnswer(std::size_t position, const TimeAnswer& answer,
                        std::chrono::steady_clock::time_point askedAt);
    // One pass over the list from position until a server answers; false when none did.
    bool FirstPass(std::size_t position);
    // Asks the next distinct hosts, one query each, until wantedAnswers answers, the end of
    // the list or of the queries. False when stopped.
    bool Confirm();
    // Aimed queries over the agreeing group until maxQueries or the bound stops shrinking;
    // none when the answers are contested. False when stopped.
    bool Refine();

    const CheckOutcome& Outcome() const { return m_outcome; }
    // Called after every query with the outcome so far.
    void OnProgress(std::function<void(const CheckOutcome&)> progress) {
        m_progress = std::move(progress);
    }

private:
    struct Server;
    // Asks server i, aimed when an estimate exists; false when stopped.
    bool Ask(std::size_t i, bool aimed);
    void Combine();
    // The server of the list's entry at position, added on first use.
    std::size_t ServerFor(std::size_t position);
    void Record(std::size_t i, const TimeQueryResult& result, std::int64_t startedUs);

    const IClock& m_clock;
    SearchParams m_params;
    Query m_query;
    Wait m_wait;
    std::vector<std::string> m_entries;
    std::vector<Server> m_servers; // in the order first asked
    std::size_t m_firstPosition = 0;
    std::int64_t m_typicalLead = 0; // connect plus half the exchange of the last answer, us
    std::size_t m_lastAnswered = 0; // the server of the last answer
    CheckOutcome m_outcome;
    std::function<void(const CheckOutcome&)> m_progress;
};

} // namespace tarnwick
