#include "ui/gtk/EnjoymentFeedback.h"

#include <utility>

namespace headroom {

EnjoymentFeedback::Pages EnjoymentFeedback::projectPages() {
    const std::string home = HEADROOM_HOMEPAGE_URL;
    return Pages{home, home + "/issues"};
}

EnjoymentFeedback::EnjoymentFeedback(std::string appName, Pages pages, UrlOpener& opener)
    : appName_(std::move(appName)), pages_(std::move(pages)), opener_(opener) {}

EnjoymentFeedback::~EnjoymentFeedback() {
    if (dialog_ != nullptr) {
        g_signal_handlers_disconnect_by_data(dialog_, this);
        gtk_widget_destroy(dialog_);
    }
}

void EnjoymentFeedback::showEnjoymentDialog() {
    if (dialog_ != nullptr) {
        gtk_window_present(GTK_WINDOW(dialog_));  // one flow at a time
        return;
    }
    ask(FeedbackQuestion{"Do you enjoy using " + appName_ + "?", "", "No", "Yes"},
        [this](bool enjoys) {
            const FeedbackQuestion next =
                enjoys ? FeedbackQuestion{"Would you rate " + appName_ + "?",
                                          "A rating on the project's page helps others find " +
                                              appName_ + ". It takes a minute.",
                                          "No, Thanks", "Rate " + appName_}
                       : FeedbackQuestion{"Would you tell us what to improve?",
                                          "The project's issue page takes problem reports and "
                                          "wishes.",
                                          "No, Thanks", "Open the Issue Page"};
            ask(next, [this, page = enjoys ? pages_.rate : pages_.issues](bool yes) {
                if (yes) {
                    opener_.openURL(page);
                }
            });
        });
}

void EnjoymentFeedback::ask(const FeedbackQuestion& question, std::function<void(bool)> answered) {
    dialog_ = gtk_message_dialog_new(nullptr, GtkDialogFlags{}, GTK_MESSAGE_QUESTION,
                                     GTK_BUTTONS_NONE, "%s", question.text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog_), appName_.c_str());
    if (!question.detail.empty()) {
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog_), "%s",
                                                 question.detail.c_str());
    }
    gtk_dialog_add_buttons(GTK_DIALOG(dialog_), question.noLabel.c_str(), GTK_RESPONSE_NO,
                           question.yesLabel.c_str(), GTK_RESPONSE_YES, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog_), GTK_RESPONSE_YES);
    answered_ = std::move(answered);
    auto onResponse = +[](GtkDialog* dialog, gint response, gpointer data) {
        auto* self = static_cast<EnjoymentFeedback*>(data);
        // GTK holds the dialog until its signal returns; the next question may open meanwhile.
        self->dialog_ = nullptr;
        gtk_widget_destroy(GTK_WIDGET(dialog));
        std::exchange(self->answered_, nullptr)(response == GTK_RESPONSE_YES);
    };
    g_signal_connect(dialog_, "response", G_CALLBACK(onResponse), this);
    gtk_widget_show(dialog_);
}

}  // namespace headroom
