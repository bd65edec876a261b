// The welcome window's pure rules: the body test, the form-error cut, the browser hand-off and
// the name in capitals.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "welcome/WelcomeRules.h"

namespace headroom {
namespace {

TEST(BodyTest, ConfirmationPhraseRaisesTheAlertUnlessTheBodyIsATestPage) {
    EXPECT_TRUE(asksForEmailConfirmation("<h1>Almost finished...</h1>"));
    EXPECT_FALSE(asksForEmailConfirmation("<h1>Almost finished...</h1><!--quillbarktesting-->"));
    EXPECT_FALSE(asksForEmailConfirmation("quillbarktesting Almost finished"));
    EXPECT_FALSE(asksForEmailConfirmation("almost finished"));  // the phrase is case-sensitive
    EXPECT_FALSE(asksForEmailConfirmation(""));
    // Bytes that are not UTF-8 give no text at all.
    EXPECT_FALSE(asksForEmailConfirmation("Almost finished \xff"));
    EXPECT_TRUE(asksForEmailConfirmation("Presque fini \xc3\xa9 Almost finished"));
}

TEST(BodyTest, Utf8ValidityRejectsMalformedSequences) {
    EXPECT_TRUE(isValidUtf8("plain \xe2\x82\xac \xf0\x9f\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xc0\xaf"));          // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));      // a UTF-16 surrogate
    EXPECT_FALSE(isValidUtf8("\xf4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xe2\x82"));          // cut short
    EXPECT_FALSE(isValidUtf8("\x80"));              // a lone continuation byte
}

TEST(FormError, AlreadySubscribedIsCutBeforeTheLinkAndItsSpace) {
    EXPECT_EQ(formErrorInformativeText(
                  std::string("you@example.com is already subscribed to list Headroom News. <a "
                              "href=\"https://list.example/profile?u=1\">Click here to update your "
                              "profile.</a>")),
              "you@example.com is already subscribed to list Headroom News.");
    // Whatever stands just before the link goes, one character of it, even a multi-byte one.
    EXPECT_EQ(formErrorInformativeText(std::string("already subscribed \xe2\x80\xa6<a href=x>")),
              "already subscribed ");
}

TEST(FormError, OtherErrorsAreShownWholeAndEmptyOnesNotAtAll) {
    const std::string invalid = "Please enter a <b>valid</b> address. <a href=\"/help\">Help</a>";
    EXPECT_EQ(formErrorInformativeText(invalid), invalid);
    // "already subscribed" without a link to cut at, or with the link first: nothing to cut.
    EXPECT_EQ(formErrorInformativeText(std::string("You are already subscribed.")),
              "You are already subscribed.");
    EXPECT_EQ(
        formErrorInformativeText(std::string("<a href=\"/p\">Profile</a> already subscribed")),
        "<a href=\"/p\">Profile</a> already subscribed");
    EXPECT_EQ(formErrorInformativeText(std::string("")), std::nullopt);
    EXPECT_EQ(formErrorInformativeText(std::nullopt), std::nullopt);
}

TEST(BrowserHandOff, OnlyWebAddressesWithAHostGoToTheBrowser) {
    EXPECT_TRUE(isBrowserURL("http://tidewell.example/more"));
    EXPECT_TRUE(isBrowserURL("HTTPS://tidewell.example"));
    for (const char* refused :
         {"javascript:alert(1)", "file:///etc/passwd", "mailto:a@b.example", "ftp://host/x",
          "http:relative", "http:///etc/passwd", " http://host", "", "tidewell.example/promo",
          "x-scheme-handler://host"}) {
        EXPECT_FALSE(isBrowserURL(refused)) << refused;
    }
}

}  // namespace
}  // namespace headroom
