#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace headroom {

/// The marker of the list service's test pages: a body that carries it never raises the
/// confirmation alert.
inline constexpr std::string_view kTestPageMarker = "quillbarktesting";
/// What the list service says when a new subscription waits for its e-mail confirmation.
inline constexpr std::string_view kConfirmationPhrase = "Almost finished";
inline constexpr std::string_view kAlreadySubscribedPhrase = "already subscribed";
inline constexpr std::string_view kLinkStart = "<a href=";

/// The preference of the "do not show" check box: "n" when the box is on, "y" when it is off.
inline constexpr std::string_view kShowKey = "Show";
constexpr std::string_view showValue(bool checkBoxOn) {
    return checkBoxOn ? "n" : "y";
}
/// The line by which the window's program hands that choice back: "Show=n" or "Show=y".
inline std::string showLine(bool checkBoxOn) {
    return std::string(kShowKey) + "=" + std::string(showValue(checkBoxOn));
}

/// Whether a response body (UTF-8 text) asks the user to confirm the subscription by e-mail:
/// it says "Almost finished" and is not a test page.
bool asksForEmailConfirmation(std::string_view body);

/// The informative text of the form-error alert for the error element's inner HTML `error`;
/// nothing when no alert is due (no element, or an empty one). An "already subscribed" error
/// is cut before its link, one character before "<a href=" (the space that leads to it); an
/// error where that cut has no length left (no link, or a link first) is shown whole.
std::optional<std::string> formErrorInformativeText(const std::optional<std::string>& error);

}  // namespace headroom
