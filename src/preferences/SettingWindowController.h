#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Platform.h"
#include "preferences/PreferenceModel.h"
#include "preferences/PreferenceRules.h"

namespace headroom {

/// The preferences window's controller: three tabs (General, Advanced, About Us), the setting
/// controls and the link buttons. A change goes to the application's preferences model
/// (`appDel`), which stores it and runs the refresh it needs. A closed window is let go, so
/// that its memory goes back; the next one opens on the tab and at the frame it left.
class SettingWindowController final : public SettingWindowOwner {
  public:
    /// `factory` loads the window on its first use; `bundle` gives the About texts and `links`
    /// the hosts of the link buttons' pages.
    SettingWindowController(PreferenceModel& appDel, UrlOpener& urlOpener,
                            SettingWindowFactory& factory, BundleInfo bundle, LinkAddresses links);

    /// The window, loaded on first use (then set up by `windowDidLoad`). Nothing when the
    /// interface file cannot be loaded; the next use tries again.
    SettingWindow* window();
    void showWindow();

    void tabSelected(SettingTab tab) override;
    void linkPressed(SettingLink link) override;
    void checkChanged(SettingCheck box, bool on) override;
    void textSizeChanged(int segment) override;
    void refreshIntervalChanged(std::int32_t seconds) override;
    void fieldEdited(SettingField field, std::int32_t typed) override;
    void backgroundClicked() override;
    void windowClosed() override;

  private:
    void windowDidLoad();

    PreferenceModel& appDel_;
    UrlOpener& urlOpener_;
    SettingWindowFactory& factory_;
    BundleInfo bundle_;
    LinkAddresses links_;
    std::unique_ptr<SettingWindow> window_;
    SettingTab tab_ = SettingTab::General;
    std::optional<WindowFrame> closedAt_;
};

}  // namespace headroom
