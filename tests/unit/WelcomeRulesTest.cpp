// The welcome window's pure rules: the body test and the form-error cut.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "welcome/WelcomeRules.h"

namespace headroom {
namespace {

TEST(BodyTest, ConfirmationPhraseRaisesTheAlertUnlessTheBodyIsATestPage) {
    const std::pair<const char*, bool> cases[] = {
        {"<h1>Almost finished...</h1>", true},
        {"Presque fini \xc3\xa9 Almost finished", true},
        {"<h1>Almost finished...</h1><!--quillbarktesting-->", false},
        {"quillbarktesting Almost finished", false},
        {"almost finished", false},  // the phrase is case-sensitive
        {"", false},
    };
    for (const auto& [body, asks] : cases) {
        EXPECT_EQ(asksForEmailConfirmation(body), asks) << body;
    }
}

TEST(FormError, AlreadySubscribedIsCutBeforeTheLinkOthersShownWholeEmptyOnesNotAtAll) {
    const std::string invalid = "Please enter a <b>valid</b> address. <a href=\"/help\">Help</a>";
    const std::pair<std::optional<std::string>, std::optional<std::string>> cases[] = {
        {"you@example.com is already subscribed to list Headroom News. <a "
         "href=\"https://list.example/profile?u=1\">Click here to update your profile.</a>",
         "you@example.com is already subscribed to list Headroom News."},
        // One character goes before the link, even a multi-byte one.
        {"already subscribed \xe2\x80\xa6<a href=x>", "already subscribed "},
        {invalid, invalid},
        // "already subscribed" without a link to cut at, or with the link first: nothing to cut.
        {"You are already subscribed.", "You are already subscribed."},
        {"<a href=\"/p\">Profile</a> already subscribed",
         "<a href=\"/p\">Profile</a> already subscribed"},
        {"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& [error, shown] : cases) {
        EXPECT_EQ(formErrorInformativeText(error), shown) << error.value_or("(no element)");
    }
}

}  // namespace
}  // namespace headroom
