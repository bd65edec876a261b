#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/StatusBar.h"

namespace headroom::test {

/// What one status item was told. It outlives the handle the program holds, so a test can
/// still look at it after the program dropped the item.
class FakeStatusItem final : public StatusItem, public Journaled {
  public:
    explicit FakeStatusItem(double length) : length_(length) {}

    void setAttributedTitle(const AttributedTitle& title) override {
        note("statusItem.setAttributedTitle");
        title_ = title;
        titleHistory_.push_back(title);
        if (onTitle) {
            onTitle(title);
        }
    }
    void setImage(const std::optional<StatusImage>& image) override {
        note("statusItem.setImage");
        image_ = image;
        imageHistory_.push_back(image);
    }
    void setMenu(std::shared_ptr<StatusItemMenu> menu) override {
        note("statusItem.setMenu");
        menu_ = std::move(menu);
        ++setMenuCount_;
    }

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
    std::unique_ptr<StatusItem> statusItemWithLength(double length) override {
        note("statusBar.statusItemWithLength");
        auto record = std::make_shared<FakeStatusItem>(length);
        record->setJournal(journal());
        items_.push_back(record);
        return std::make_unique<Handle>(std::move(record));
    }

    std::size_t itemCount() const { return items_.size(); }
    /// The most recent item; the test fails loudly (throws) if there is none.
    FakeStatusItem& item() const {
        if (items_.empty()) {
            throw std::logic_error("FakeStatusBar: no status item has been made");
        }
        return *items_.back();
    }

  private:
    /// The handle the program owns; every call goes to the record the bar keeps.
    struct Handle final : StatusItem {
        explicit Handle(std::shared_ptr<FakeStatusItem> kept) : record(std::move(kept)) {}
        void setAttributedTitle(const AttributedTitle& title) override {
            record->setAttributedTitle(title);
        }
        void setImage(const std::optional<StatusImage>& image) override { record->setImage(image); }
        void setMenu(std::shared_ptr<StatusItemMenu> menu) override {
            record->setMenu(std::move(menu));
        }
        std::shared_ptr<FakeStatusItem> record;
    };

    std::vector<std::shared_ptr<FakeStatusItem>> items_;
};

}  // namespace headroom::test
