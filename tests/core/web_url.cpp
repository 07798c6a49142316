// Which addresses count as web addresses the browser may be given.
#include <gtest/gtest.h>

#include <string>

#include "update/web_url.h"

using namespace tarnwick;

namespace {

struct UrlCase {
    std::string url;
    bool web;
};

void PrintTo(const UrlCase& c, std::ostream* out) {
    *out << '"' << c.url << '"';
}

class WebUrl : public ::testing::TestWithParam<UrlCase> {};

TEST_P(WebUrl, AcceptsOnlyParsedHttpAndHttpsAddresses) {
    EXPECT_EQ(IsWebUrl(GetParam().url), GetParam().web);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, WebUrl,
    ::testing::Values(UrlCase{"http://127.0.0.1", true},
                      UrlCase{"https://127.0.0.1:8443/a/b?c=d#e", true},
                      UrlCase{"HTTPS://Downloads.Example.org/Tarnwick", true},
                      UrlCase{"http://[::1]:8080/", true}, UrlCase{"http://[::1]", true},
                      UrlCase{"http://host/%41%42", true},
                      // not the web
                      UrlCase{"file:///bin/sh", false}, UrlCase{"javascript:alert(1)", false},
                      UrlCase{"javascript://http://host/", false}, UrlCase{"mailto:a@b", false},
                      UrlCase{"httpx://host/", false}, UrlCase{"xhttp://host/", false},
                      UrlCase{"https+x://host/", false},
                      // http in name only
                      UrlCase{"http:host", false}, UrlCase{"http:/host", false},
                      UrlCase{"http://", false}, UrlCase{"http:///etc/passwd", false},
                      UrlCase{"http://:80/", false}, UrlCase{"http://host:/", false},
                      UrlCase{"http://host:0/", false}, UrlCase{"http://host:65536/", false},
                      UrlCase{"http://user@host/", false}, UrlCase{"http://host\\@evil/", false},
                      UrlCase{"http://[::1/", false}, UrlCase{"http://ho st/", false},
                      UrlCase{" http://host/", false}, UrlCase{"http://host/\n", false},
                      UrlCase{std::string("http://host/\0x", 14), false},
                      UrlCase{"http://host/%zz", false}, UrlCase{"http://host/%4", false},
                      UrlCase{"http://h\xc3\xb6st/", false}, UrlCase{"", false},
                      UrlCase{"http://host/" + std::string(kMaxWebUrlLength, 'a'), false}));

TEST(SiteRoot, HasNoQueryOrFragment) {
    EXPECT_TRUE(IsSiteRoot("https://127.0.0.1/tarnwick/"));
    EXPECT_FALSE(IsSiteRoot("https://127.0.0.1/?x"));
    EXPECT_FALSE(IsSiteRoot("https://127.0.0.1/#x"));
    EXPECT_FALSE(IsSiteRoot("ftp://127.0.0.1/"));
}

} // namespace
