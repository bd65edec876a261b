#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "platform/Feedback.h"
#include "platform/UrlOpener.h"

namespace headroom {

/// A question of the rating flow, with its two answers.
struct FeedbackQuestion {
    std::string text;
    std::string detail;
    std::string noLabel;
    std::string yesLabel;
};

/// The feedback component, which sends nothing anywhere. Its enjoyment dialog asks whether the
/// user enjoys the application; on yes it offers to open the project's page to rate it, on no
/// the project's issue page. One flow at a time: asking again while a question is open brings
/// that question to the front.
class EnjoymentFeedback final : public Feedback {
  public:
    struct Pages {
        std::string rate;    ///< where the application is rated
        std::string issues;  ///< where problems and wishes are reported
    };
    /// The project's own pages, from its home page.
    static Pages projectPages();

    /// Questions are message dialogs; `opener` opens the page the user agrees to.
    EnjoymentFeedback(std::string appName, Pages pages, UrlOpener& opener);
    ~EnjoymentFeedback() override;
    EnjoymentFeedback(const EnjoymentFeedback&) = delete;
    EnjoymentFeedback& operator=(const EnjoymentFeedback&) = delete;

    void showEnjoymentDialog() override;

  private:
    /// Puts `question` to the user; `answered` gets true for yes, false for no (or a dialog
    /// closed without an answer).
    void ask(const FeedbackQuestion& question, std::function<void(bool)> answered);

    std::string appName_;
    Pages pages_;
    UrlOpener& opener_;
    GtkWidget* dialog_ = nullptr;
    std::function<void(bool)> answered_;
};

}  // namespace headroom
