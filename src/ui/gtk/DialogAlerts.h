#pragma once

#include <gtkmm/messagedialog.h>

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/Alerts.h"

namespace headroom {

/// Alerts as message dialogs: the message as the dialog's title and main text, the informative
/// text below it, one OK button. Each is modal and stays over the application's active window;
/// none runs a nested main loop.
class DialogAlerts final : public Alerts {
  public:
    DialogAlerts() = default;
    ~DialogAlerts() override;
    DialogAlerts(const DialogAlerts&) = delete;
    DialogAlerts& operator=(const DialogAlerts&) = delete;

    void runModal(const std::string& messageText, const std::string& informativeText,
                  std::function<void()> dismissed) override;

    /// The alerts on screen, oldest first.
    std::vector<Gtk::MessageDialog*> openAlerts() const;

  private:
    std::list<std::unique_ptr<Gtk::MessageDialog>> open_;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>('\0');
};

}  // namespace headroom
