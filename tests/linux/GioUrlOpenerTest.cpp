// The opener of the About tab's links and of the rating flow's pages.

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/linux/GioUrlOpener.h"

namespace headroom {
namespace {

TEST(GioUrlOpener, OpensOnlyWebAddresses) {
    test::RecordingLog log;
    GioUrlOpener opener(log);
    for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm",
                            "ftp://example.org/", "http:///etc/passwd", ""}) {
        log.lines.clear();
        opener.openURL(url);
        ASSERT_EQ(log.lines.size(), 1U) << url;
        EXPECT_NE(log.lines[0].find("only http and https"), std::string::npos) << log.lines[0];
    }
    EXPECT_TRUE(GioUrlOpener::isWebAddress("http://example.org/"));
    EXPECT_TRUE(GioUrlOpener::isWebAddress("HTTPS://example.org/faq"));
    EXPECT_FALSE(GioUrlOpener::isWebAddress("https"));
}

}  // namespace
}  // namespace headroom
