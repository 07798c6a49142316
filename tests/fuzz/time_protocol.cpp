// The Time Protocol reply and the server list. Input: the reply's bytes, then a server list.
#include "sync/time_protocol.h"
#include "fuzz/fuzz_input.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const std::optional<std::uint32_t> value = ReadTimeProtocolValue(data, size)) {
        fuzz::Require(size >= 4, "four bytes make a reply");
        const std::int64_t unix = DecodeTimeProtocolValue(*value);
        fuzz::Require(unix >= 0 && unix < (std::int64_t{1} << 32), "1970 to 2106");
        fuzz::Require(EncodeTimeProtocolValue(unix) == *value, "the decoding is undone");
    }
    std::vector<std::string> servers;
    AppendServerList(fuzz::Fields(data, size, 2)[1], servers);
    for (const std::string& entry : servers) {
        std::string error;
        const std::optional<ServerAddress> address = ParseServerEntry(entry, 3737, error);
        fuzz::Require(address.has_value() == error.empty(), "an error exactly on failure");
        if (address) {
            fuzz::Require(address->port != 0 && !address->host.empty(), "a host and a port");
            const std::optional<ServerAddress> again =
                ParseServerEntry(FormatServerAddress(*address), 1, error);
            fuzz::Require(again && again->host == address->host && again->port == address->port,
                          "a formatted address parses back");
        }
    }
    return 0;
}
