// Which addresses count as web addresses the browser may be given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/case_tables.h"
#include "update/web_url.h"

using namespace tarnwick;

namespace {

TEST(WebUrl, AcceptsOnlyParsedHttpAndHttpsAddresses) {
    std::vector<test::CaseRow> cases = test::ReadCaseTable("settings/web_urls.txt", 2);
    cases.push_back({"too long", {"http://host/" + std::string(kMaxWebUrlLength, 'a'), "0"}});
    for (const test::CaseRow& c : cases) {
        EXPECT_EQ(IsWebUrl(c[0]), c.Flag(1)) << c;
    }
}

TEST(SiteRoot, HasNoQueryOrFragment) {
    EXPECT_TRUE(IsSiteRoot("https://127.0.0.1/tarnwick/"));
    EXPECT_FALSE(IsSiteRoot("https://127.0.0.1/?x"));
    EXPECT_FALSE(IsSiteRoot("https://127.0.0.1/#x"));
    EXPECT_FALSE(IsSiteRoot("ftp://127.0.0.1/"));
}

} // namespace
