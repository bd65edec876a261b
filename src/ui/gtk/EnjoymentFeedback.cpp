#include "ui/gtk/EnjoymentFeedback.h"

#include <glibmm/main.h>

#include <utility>

namespace headroom {

EnjoymentFeedback::Pages EnjoymentFeedback::projectPages() {
    const std::string home = HEADROOM_HOMEPAGE_URL;
    return Pages{home, home + "/issues"};
}

EnjoymentFeedback::EnjoymentFeedback(std::string appName, Pages pages, UrlOpener& opener)
    : appName_(std::move(appName)), pages_(std::move(pages)), opener_(opener) {}

EnjoymentFeedback::~EnjoymentFeedback() = default;

ATAppRatingFlow& EnjoymentFeedback::sharedRatingFlowWithAppID(const std::string& appId) {
    appId_ = appId;
    return *this;
}

void EnjoymentFeedback::appDidLaunch(bool /*viaUserAction*/) {
    // Counted only: the dialog opens when the user asks for it, never by itself.
    ++launches_;
}

void EnjoymentFeedback::showEnjoymentDialog() {
    if (dialog_) {
        dialog_->present();  // one flow at a time
        return;
    }
    ask(FeedbackQuestion{"Do you enjoy using " + appName_ + "?", "", "No", "Yes"},
        [this](bool enjoys) {
            if (enjoys) {
                offer(FeedbackQuestion{"Would you rate " + appName_ + "?",
                                       "A rating on the project's page helps others find " +
                                           appName_ + ". It takes a minute.",
                                       "No, Thanks", "Rate " + appName_},
                      pages_.rate);
            } else {
                offer(FeedbackQuestion{"Would you tell us what to improve?",
                                       "The project's issue page takes problem reports and "
                                       "wishes.",
                                       "No, Thanks", "Open the Issue Page"},
                      pages_.issues);
            }
        });
}

void EnjoymentFeedback::offer(const FeedbackQuestion& question, const std::string& page) {
    ask(question, [this, page](bool yes) {
        if (yes) {
            opener_.openURL(page);
        }
    });
}

void EnjoymentFeedback::ask(const FeedbackQuestion& question, std::function<void(bool)> answered) {
    auto dialog = std::make_unique<Gtk::MessageDialog>(question.text, false, Gtk::MESSAGE_QUESTION,
                                                       Gtk::BUTTONS_NONE);
    dialog->set_title(appName_);
    if (!question.detail.empty()) {
        dialog->set_secondary_text(question.detail);
    }
    dialog->add_button(question.noLabel, Gtk::RESPONSE_NO);
    dialog->add_button(question.yesLabel, Gtk::RESPONSE_YES);
    dialog->set_default_response(Gtk::RESPONSE_YES);
    dialog->signal_response().connect([this, answered = std::move(answered)](int response) {
        // The dialog cannot go inside its own signal: it is handed to the loop to drop.
        auto done = std::shared_ptr<Gtk::MessageDialog>(std::move(dialog_));
        done->hide();
        Glib::signal_idle().connect_once([done] {});
        answered(response == Gtk::RESPONSE_YES);
    });
    dialog_ = std::move(dialog);
    dialog_->show();
}

}  // namespace headroom
