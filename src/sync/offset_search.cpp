#include "sync/offset_search.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/clock.h"
#include "sync/time_query.h"

namespace tarnwick {

namespace {

// An aimed query that narrows the bound by less than this ends the refinement: the network's
// delays, not the server's second, limit it now.
constexpr std::int64_t kMinShrinkMicroseconds = 1000;

std::string HostKey(const std::string& host) {
    std::string key = host;
    for (char& c : key) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

} // namespace

struct OffsetSearch::Server {
    std::string entry;
    std::optional<ServerAddress> address; // none: the entry does not parse
    std::string reason;                   // of the last query without an answer
    std::optional<OffsetInterval> interval;
    std::int64_t differenceSeconds = 0; // of its first answer
    bool lastFailed = false;
    int queries = 0;
    std::optional<std::chrono::steady_clock::time_point> lastAsked;
    std::int64_t lead = -1; // connect plus half the exchange, us; -1 until it answered
};

OffsetSearch::OffsetSearch(std::vector<std::string> entries, const IClock& clock,
                           SearchParams params, Query query, Wait wait)
    : m_clock(clock), m_params(params), m_query(std::move(query)), m_wait(std::move(wait)),
      m_entries(std::move(entries)) {
    std::set<std::string> hosts;
    for (const std::string& entry : m_entries) {
        std::string error;
        if (const auto address = ParseServerEntry(entry, m_params.defaultPort, error)) {
            hosts.insert(HostKey(address->host));
        }
    }
    m_outcome.distinctHosts = hosts.size();
}

OffsetSearch::~OffsetSearch() = default;

std::size_t OffsetSearch::ServerFor(std::size_t position) {
    const std::string& entry = m_entries[position];
    for (std::size_t i = 0; i < m_servers.size(); ++i) {
        if (m_servers[i].entry == entry) {
            return i;
        }
    }
    Server server;
    server.entry = entry;
    server.address = ParseServerEntry(entry, m_params.defaultPort, server.reason);
    m_servers.push_back(std::move(server));
    return m_servers.size() - 1;
}

void OffsetSearch::Record(std::size_t i, const TimeQueryResult& result, std::int64_t startedUs) {
    Server& server = m_servers[i];
    ++server.queries;
    ++m_outcome.queries;
    server.lastFailed = !result.answered;
    if (!result.answered) {
        server.reason = result.reason;
    } else {
        const TimeSample& sample = result.answer.sample;
        const OffsetInterval interval = SampleInterval(sample);
        if (!server.interval) {
            server.differenceSeconds = result.answer.differenceSeconds;
        }
        server.interval = server.interval ? server.interval->Intersect(interval) : interval;
        const std::int64_t connect =
            startedUs != 0 ? std::max<std::int64_t>(0, sample.connectedMicroseconds - startedUs)
                           : 0;
        server.lead = connect + (sample.receiptMicroseconds - sample.connectedMicroseconds) / 2;
        m_typicalLead = server.lead;
        m_lastAnswered = i;
    }
    Combine();
    if (m_progress) {
        m_progress(m_outcome);
    }
}

void OffsetSearch::AddFirstAnswer(std::size_t position, const TimeAnswer& answer,
                                  std::chrono::steady_clock::time_point askedAt) {
    m_firstPosition = position;
    const std::size_t i = ServerFor(position);
    m_servers[i].lastAsked = askedAt;
    TimeQueryResult result;
    result.answered = true;
    result.answer = answer;
    Record(i, result, 0);
}

bool OffsetSearch::Ask(std::size_t i, bool aimed) {
    Server& server = m_servers[i];
    if (!server.address) {
        return true; // nothing to ask; the report keeps the parse error
    }
    const std::int64_t nowUs = m_clock.NowUnixMicroseconds();
    std::int64_t earliest = nowUs;
    if (server.lastAsked) {
        const auto allowed = *server.lastAsked + m_params.minSpacing;
        const auto left = allowed - std::chrono::steady_clock::now();
        if (left.count() > 0) {
            earliest += std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        }
    }
    std::int64_t start = earliest;
    if (aimed && m_outcome.answered) {
        // While no group stands out, the latest answer is as good a guess as the first.
        const OffsetInterval& estimate =
            m_outcome.contested ? *m_servers[m_lastAnswered].interval : m_outcome.estimate;
        start = AimedStart(estimate, earliest, server.lead >= 0 ? server.lead : m_typicalLead);
    }
    if (start > nowUs && !m_wait(std::chrono::microseconds(start - nowUs))) {
        return false;
    }
    const std::int64_t startedUs = m_clock.NowUnixMicroseconds();
    server.lastAsked = std::chrono::steady_clock::now();
    const TimeQueryResult result = m_query(*server.address, m_params.queryTimeout);
    if (!result.answered && result.reason == "stopped") {
        return false;
    }
    Record(i, result, startedUs);
    return true;
}

bool OffsetSearch::FirstPass(std::size_t position) {
    const std::size_t n = m_entries.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t at = (position + k) % n;
        const std::size_t i = ServerFor(at);
        if (!Ask(i, false)) {
            return false;
        }
        if (m_servers[i].interval) {
            m_firstPosition = at;
            return true;
        }
    }
    return false;
}

bool OffsetSearch::Confirm() {
    const std::size_t n = m_entries.size();
    auto answers = [this] {
        return static_cast<std::size_t>(std::count_if(m_servers.begin(), m_servers.end(),
                                                      [](const Server& s) { return s.interval; }));
    };
    for (std::size_t k = 1; k < n; ++k) {
        if (!m_outcome.answered || answers() >= m_params.wantedAnswers ||
            m_outcome.queries >= m_params.maxQueries) {
            break;
        }
        const std::size_t at = (m_firstPosition + k) % n;
        std::string error;
        const auto address = ParseServerEntry(m_entries[at], m_params.defaultPort, error);
        if (!address) {
            continue;
        }
        const bool hostAsked =
            std::any_of(m_servers.begin(), m_servers.end(), [&](const Server& s) {
                return s.address && s.queries > 0 &&
                       HostKey(s.address->host) == HostKey(address->host);
            });
        if (hostAsked) {
            continue;
        }
        if (!Ask(ServerFor(at), true)) {
            return false;
        }
    }
    return true;
}

bool OffsetSearch::Refine() {
    while (m_outcome.answered && !m_outcome.contested && m_outcome.queries < m_params.maxQueries) {
        // The agreeing server that may be asked soonest; one whose last query failed is left.
        std::optional<std::size_t> next;
        for (std::size_t i = 0; i < m_servers.size(); ++i) {
            const ServerReport& report = m_outcome.servers[i];
            if (report.verdict != ServerVerdict::Agrees || m_servers[i].lastFailed) {
                continue;
            }
            if (!next || m_servers[i].lastAsked < m_servers[*next].lastAsked) {
                next = i;
            }
        }
        if (!next) {
            break;
        }
        const std::int64_t before = m_outcome.estimate.HalfWidth();
        if (!Ask(*next, true)) {
            return false;
        }
        if (!m_servers[*next].lastFailed &&
            before - m_outcome.estimate.HalfWidth() < kMinShrinkMicroseconds) {
            break;
        }
    }
    return true;
}

void OffsetSearch::Combine() {
    m_outcome.servers.clear();
    std::vector<OffsetInterval> widened;
    std::optional<std::size_t> reference; // the first server that answered
    for (std::size_t i = 0; i < m_servers.size(); ++i) {
        const Server& server = m_servers[i];
        ServerReport report;
        report.entry = server.entry;
        report.interval = server.interval;
        report.reason = server.reason;
        report.queries = server.queries;
        m_outcome.servers.push_back(report);
        const bool usable = server.interval && !server.interval->IsEmpty();
        widened.push_back(usable ? server.interval->Widened(kAgreementSlackMicroseconds)
                                 : OffsetInterval{1, 0});
        if (server.interval && !reference) {
            reference = i;
        }
    }
    m_outcome.answered = reference.has_value();
    if (!reference) {
        return;
    }
    const Overlap overlap = LargestOverlap(widened);
    std::vector<std::size_t> group = overlap.members;
    if (!overlap.unique) {
        // No group stands out: the first answer's server is shown, and nothing agreed.
        group.clear();
        for (std::size_t i = 0; i < widened.size(); ++i) {
            if (!widened[i].IsEmpty() && !widened[i].Intersect(widened[*reference]).IsEmpty()) {
                group.push_back(i);
            }
        }
        if (group.empty()) {
            group.push_back(*reference); // its own answers contradict each other
        }
    }
    OffsetInterval common{INT64_MIN, INT64_MAX};
    for (std::size_t i : group) {
        if (m_servers[i].interval) {
            common = common.Intersect(*m_servers[i].interval);
        }
    }
    if (common.IsEmpty()) {
        common = {common.high, common.low}; // agreeing, but a little apart: the gap between
    }
    for (std::size_t i = 0; i < m_servers.size(); ++i) {
        ServerReport& report = m_outcome.servers[i];
        if (std::find(group.begin(), group.end(), i) != group.end()) {
            report.verdict = ServerVerdict::Agrees;
        } else {
            report.verdict =
                m_servers[i].interval ? ServerVerdict::Disagrees : ServerVerdict::NoAnswer;
        }
    }
    const std::size_t shown = group.front();
    m_outcome.server = m_servers[shown].entry;
    m_outcome.differenceSeconds = m_servers[shown].differenceSeconds;
    m_outcome.estimate = common;
    m_outcome.agreeing = group.size();
    m_outcome.contested = !overlap.unique;
    m_outcome.agreed = overlap.unique && (group.size() >= 2 || m_outcome.distinctHosts <= 1);
}

} // namespace tarnwick
