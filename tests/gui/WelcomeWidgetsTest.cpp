// Smaller parts on real GTK (Xvfb): the feedback component's dialogs.

#include <string>
#include <vector>

#include "FakeLoginItems.h"
#include "GuiTestSupport.h"
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

    /// The questions on screen, as the user sees them.
    static std::vector<GtkWidget*> openDialogs() { return test::visibleMessageDialogs(); }

    /// Answers the one open question, after checking it is `question`.
    void answer(const std::string& question, int response) {
        const auto open = openDialogs();
        ASSERT_EQ(open.size(), 1U) << question;
        GtkWidget* dialog = open[0];
        gchar* text = nullptr;
        g_object_get(dialog, "text", &text, nullptr);
        EXPECT_EQ(std::string(text), question);
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(dialog), response);
    }
};

TEST_F(Feedback, EnjoymentLeadsToTheRatingPageAndDislikeToTheIssuePage) {
    EXPECT_TRUE(openDialogs().empty()) << "nothing shows by itself";
    EXPECT_EQ(EnjoymentFeedback::projectPages().rate, "https://tidewell.example/headroom");
    feedback.showEnjoymentDialog();
    feedback.showEnjoymentDialog();  // one flow at a time
    EXPECT_EQ(openDialogs().size(), 1U);
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
    EXPECT_TRUE(openDialogs().empty());
    while (g_main_context_iteration(nullptr, FALSE) != FALSE) {
    }
}

}  // namespace
}  // namespace headroom
