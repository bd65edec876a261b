// The welcome window's smaller parts on real GTK (Xvfb) and the real system: native alerts,
// the feedback component's dialogs, and the reachability probe.

#include <gio/gio.h>

#include <map>
#include <string>

#include "FakeLoginItems.h"
#include "GuiTestSupport.h"
#include "WelcomeTestSupport.h"
#include "platform/linux/NetworkReachability.h"
#include "ui/gtk/DialogAlerts.h"
#include "ui/gtk/EnjoymentFeedback.h"

namespace headroom {
namespace {

class NativeAlerts : public test::DisplayTest {};

/// The alerts on screen, by title.
std::map<std::string, GtkWidget*> openAlerts() {
    std::map<std::string, GtkWidget*> alerts;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
        if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data))) {
            alerts[gtk_window_get_title(GTK_WINDOW(item->data))] = GTK_WIDGET(item->data);
        }
    }
    g_list_free(windows);
    return alerts;
}

std::string property(GtkWidget* dialog, const char* name) {
    gchar* value = nullptr;
    g_object_get(dialog, name, &value, nullptr);
    std::string text = value != nullptr ? value : "";
    g_free(value);
    return text;
}

TEST_F(NativeAlerts, ShowTheTextsAndReportTheirDismissal) {
    DialogAlerts alerts;
    int dismissed = 0;
    alerts.runModal("Alert", "Hello from the page", [&] { ++dismissed; });
    alerts.runModal("Error", "", nullptr);
    ASSERT_EQ(openAlerts().size(), 2U);
    GtkWidget* first = openAlerts().at("Alert");
    EXPECT_EQ(property(first, "text"), "Alert");
    EXPECT_EQ(property(first, "secondary-text"), "Hello from the page");
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(first)));
    EXPECT_EQ(dismissed, 0);  // showing does not wait

    gtk_dialog_response(GTK_DIALOG(first), GTK_RESPONSE_OK);
    EXPECT_EQ(dismissed, 1);
    test::spinFor(0.05);
    ASSERT_EQ(openAlerts().size(), 1U);
    EXPECT_EQ(openAlerts().count("Error"), 1U);
    gtk_dialog_response(GTK_DIALOG(openAlerts().at("Error")), GTK_RESPONSE_OK);
    EXPECT_TRUE(openAlerts().empty());
}

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
    test::spinFor(0.05);
}

TEST(NetworkReachabilityProbe, ReachableOnlyWhenTheNameResolves) {
    NetworkReachability probe;
    EXPECT_EQ(probe.flagsForHost(""), std::nullopt);
    const auto unresolvable = probe.flagsForHost("headroom-probe.invalid");
    ASSERT_TRUE(unresolvable.has_value());
    EXPECT_FALSE(unresolvable->reachable);
    if (g_network_monitor_get_network_available(g_network_monitor_get_default()) == FALSE) {
        GTEST_SKIP() << "the system reports no network: a resolving name cannot be reachable";
    }
    const auto local = probe.flagsForHost("localhost");
    ASSERT_TRUE(local.has_value());
    EXPECT_TRUE(local->reachable);
    EXPECT_FALSE(local->connectionRequired);
}

}  // namespace
}  // namespace headroom
