#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "CallJournal.h"
#include "platform/StatusBar.h"

namespace headroom::test {

/// What one status item was told. It outlives the handle the program holds, so a test can
/// still look at it after the program dropped the item.
class FakeStatusItem final : public StatusItem, public Journaled {
  public:
    explicit FakeStatusItem(double length) : length_(length) {}

    // The port.
    void setAttributedTitle(const AttributedTitle& title) override;
    void setImage(const std::optional<StatusImage>& image) override;
    void setMenu(std::shared_ptr<StatusItemMenu> menu) override;

    double length() const { return length_; }
    /// The last title set; nothing before the first.
    const std::optional<AttributedTitle>& title() const { return title_; }
    /// Every title set, in order.
    const std::vector<AttributedTitle>& titleHistory() const { return titleHistory_; }
    /// Called with every title as it is set, for a test that must look at the program's state
    /// at that moment.
    std::function<void(const AttributedTitle&)> onTitle;
    /// The image shown now (nothing: none, or removed).
    const std::optional<StatusImage>& image() const { return image_; }
    /// Every image set, a removal recorded as nothing.
    const std::vector<std::optional<StatusImage>>& imageHistory() const { return imageHistory_; }
    const std::shared_ptr<StatusItemMenu>& menu() const { return menu_; }
    std::size_t setMenuCount() const { return setMenuCount_; }
    /// Forgets the title and image histories (the current ones stay).
    void clearHistory() {
        titleHistory_.clear();
        imageHistory_.clear();
    }

  private:
    double length_;
    std::optional<AttributedTitle> title_;
    std::vector<AttributedTitle> titleHistory_;
    std::optional<StatusImage> image_;
    std::vector<std::optional<StatusImage>> imageHistory_;
    std::shared_ptr<StatusItemMenu> menu_;
    std::size_t setMenuCount_ = 0;
};

/// A status area that keeps a record of every item it hands out.
class FakeStatusBar final : public StatusBar, public Journaled {
  public:
    std::unique_ptr<StatusItem> statusItemWithLength(double length) override;

    std::size_t itemCount() const { return items_.size(); }
    /// The most recent item; the test fails loudly (throws) if there is none.
    FakeStatusItem& item() const;

  private:
    std::vector<std::shared_ptr<FakeStatusItem>> items_;
};

}  // namespace headroom::test
