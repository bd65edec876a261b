// Smaller parts on real GTK (Xvfb) and the real system: the feedback component's dialogs and
// the reachability probe.

#include <gio/gio.h>

#include <string>

#include "FakeLoginItems.h"
#include "GuiTestSupport.h"
#include "platform/linux/NetworkReachability.h"
#include "ui/gtk/EnjoymentFeedback.h"

namespace headroom {
namespace {

class Feedback : public test::DisplayTest {
  protected:
    test::FakeUrlOpener opener;
    EnjoymentFeedback feedback{
        "Headroom",
        {"https://tidewell.example/headroom", "https://tidewell.example/headroom/issues"},
        opener};

    /// Answers the open question, after checking it is `question`.
    void answer(const std::string& question, int response) {
        GtkWidget* dialog = feedback.openDialog();
        ASSERT_NE(dialog, nullptr) << question;
        gchar* text = nullptr;
        g_object_get(dialog, "text", &text, nullptr);
        EXPECT_EQ(std::string(text), question);
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(dialog), response);
    }
};

TEST_F(Feedback, EnjoymentLeadsToTheRatingPageAndDislikeToTheIssuePage) {
    EXPECT_EQ(feedback.openDialog(), nullptr) << "nothing shows by itself";
    EXPECT_EQ(EnjoymentFeedback::projectPages().rate, "https://tidewell.example/headroom");
    feedback.showEnjoymentDialog();
    GtkWidget* first = feedback.openDialog();
    feedback.showEnjoymentDialog();  // one flow at a time
    EXPECT_EQ(feedback.openDialog(), first);
    answer("Do you enjoy using Headroom?", GTK_RESPONSE_YES);
    answer("Would you rate Headroom?", GTK_RESPONSE_YES);
    EXPECT_EQ(opener.opened(), std::vector<std::string>{"https://tidewell.example/headroom"});

    feedback.showEnjoymentDialog();
    answer("Do you enjoy using Headroom?", GTK_RESPONSE_NO);
    answer("Would you tell us what to improve?", GTK_RESPONSE_YES);
    EXPECT_EQ(opener.opened().back(), "https://tidewell.example/headroom/issues");

    // Declining, or closing the window, opens nothing.
    feedback.showEnjoymentDialog();
    answer("Do you enjoy using Headroom?", GTK_RESPONSE_YES);
    answer("Would you rate Headroom?", GTK_RESPONSE_DELETE_EVENT);
    EXPECT_EQ(opener.opened().size(), 2U);
    EXPECT_EQ(feedback.openDialog(), nullptr);
    while (g_main_context_iteration(nullptr, FALSE) != FALSE) {
    }
}

TEST(NetworkReachabilityProbe, ReachableOnlyWhenTheNameResolves) {
    NetworkReachability probe;
    EXPECT_FALSE(probe.isReachable(""));
    EXPECT_FALSE(probe.isReachable("headroom-probe.invalid"));
    if (g_network_monitor_get_network_available(g_network_monitor_get_default()) == FALSE) {
        GTEST_SKIP() << "the system reports no network: a resolving name cannot be reachable";
    }
    EXPECT_TRUE(probe.isReachable("localhost"));
}

}  // namespace
}  // namespace headroom
