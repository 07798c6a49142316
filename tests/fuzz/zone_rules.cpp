// A preset-zone row as a damaged or hostile database may hold it: the validation the loader
// applies, and the offset and daylight state the clock computes from a row that passes.
// Input: the 25 column values in table order, then the instant.
#include "fuzz/fuzz_input.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "zones/zone_clock.h"
#include "zones/zone_columns.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> f = fuzz::Fields(data, size, kZoneColumnCount + 1);
    ZoneColumns row;
    for (std::size_t i = 0; i < kZoneColumnCount; ++i) {
        SetZoneColumn(ZoneColumnTable()[i], row, CFieldValue(f[i]));
    }
    std::string why;
    if (!ValidateZoneColumns(row, why)) {
        fuzz::Require(!why.empty(), "a refusal says why");
        return 0;
    }
    std::int64_t now = 0; // 1970 to 2099
    for (const char c : f[kZoneColumnCount]) {
        now = (now * 131 + static_cast<unsigned char>(c)) % 4102444800;
    }
    FixedClock clock(now);
    FixedLocalZone local(0, "UTC");
    CZoneClock zone(clock, local);
    CZoneRecord record;
    FillRecordFromColumns(1, row, record);
    zone.SetRecord(record);
    const DateTime time = zone.GetZoneTime();
    const std::int32_t offset = zone.GetOffsetMinutes();
    fuzz::Require(offset >= -49 * 60 && offset <= 49 * 60, "an offset within two days");
    fuzz::Require(time.IsValid() && time.ToUnixSeconds() == now + offset * 60,
                  "the zone's time is UTC plus its offset");
    return 0;
}
