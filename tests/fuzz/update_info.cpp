// The update-info file as a web server may send it, read by the daily check, and the URL
// parser that decides what may reach a browser. Input: a URL, then the file.
#include <filesystem>
#include <unistd.h>

#include "fuzz/fuzz_input.h"
#include "platform/clock.h"
#include "platform/http_download.h"
#include "platform/local_zone.h"
#include "update/update_checker.h"
#include "update/web_url.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> f = fuzz::Fields(data, size, 2);
    const bool web = IsWebUrl(f[0]);
    fuzz::Require(!IsSiteRoot(f[0]) || web, "a site root is a web URL");
    fuzz::Require(!web || (f[0].size() <= kMaxWebUrlLength &&
                           f[0].find_first_of(" \t\r\n\"<>\\") == std::string::npos),
                  "a web URL holds no blank, quote or angle bracket");

    // The files live in memory where it can: every input writes and flushes them.
    static const struct Scratch {
        std::filesystem::path path =
            (std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path()) /
            ("tarnwick-fuzz-" + std::to_string(::getpid()));
        Scratch() { std::filesystem::create_directories(path); }
        ~Scratch() { std::filesystem::remove_all(path); }
    } scratch;
    FixedClock clock(1772712000); // 2026-03-05 12:00 UTC
    FixedLocalZone zone(0, "UTC");
    FakeHttpDownloader downloader;
    UpdateCheckInfo info;
    info.siteUrl = "http://127.0.0.1:1/";
    info.infoUrl = UpdateInfoUrl(info.siteUrl);
    info.productName = "Tarnwick";
    info.version = 1.1;
    downloader.Serve(info.infoUrl, f[1]);
    CUpdateChecker checker(clock, zone, downloader, [](const std::string&) {});
    UpdateCheckOptions options;
    options.ignoreDayRule = true;
    const std::string path = UpdateInfoFilePath(scratch.path.string());
    std::filesystem::remove(path); // each input on its own
    checker.Check(info, path, options);
    // Clean text is valid UTF-8 without control characters and short enough: cleaning it
    // again changes nothing.
    fuzz::Require(CleanNoticeText(info.message) == info.message, "the notice is clean");
    fuzz::Require(info.downloadUrl == info.siteUrl || IsWebUrl(info.downloadUrl),
                  "only a web URL is offered");
    return 0;
}
