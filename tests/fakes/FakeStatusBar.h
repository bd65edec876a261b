#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "CallJournal.h"
#include "platform/StatusBar.h"

namespace headroom::test {

/// What one status item was told. It outlives the handle the program holds, so a test can
/// still look at it after the program dropped the item. Its menu opens, closes and is chosen
/// from as a panel does it.
class FakeStatusItem final : public StatusItem, public Journaled {
  public:
    void setAttributedTitle(const AttributedTitle& title) override {
        note("statusItem.setAttributedTitle");
        title_ = title;
        titleHistory_.push_back(title);
        if (onTitle) {
            onTitle(title);
        }
    }
    void setImage(const StatusImage& image) override {
        note("statusItem.setImage");
        imageHistory_.push_back(image);
    }
    void setMenu(const std::vector<MenuRow>& rows) override {
        note("statusItem.setMenu");
        rows_ = rows;
        ++menusSet_;
    }
    void setMenuEvents(StatusMenuEvents events) override { events_ = std::move(events); }

    /// The last title set; nothing before the first.
    const std::optional<AttributedTitle>& title() const { return title_; }
    /// Every title set, in order.
    const std::vector<AttributedTitle>& titleHistory() const { return titleHistory_; }
    /// Called with every title as it is set, for a test that must look at the program's state
    /// at that moment.
    std::function<void(const AttributedTitle&)> onTitle;
    /// The image shown now; the test fails loudly (throws) before the first.
    const StatusImage& image() const {
        if (imageHistory_.empty()) {
            throw std::logic_error("FakeStatusItem: no image has been set");
        }
        return imageHistory_.back();
    }
    const std::vector<StatusImage>& imageHistory() const { return imageHistory_; }
    /// The menu's rows as last set, and how many times a menu was set.
    const std::vector<MenuRow>& rows() const { return rows_; }
    std::size_t menusSet() const { return menusSet_; }
    /// Forgets the title and image histories (the current title stays).
    void clearHistory() {
        titleHistory_.clear();
        if (imageHistory_.size() > 1) {
            imageHistory_.erase(imageHistory_.begin(), imageHistory_.end() - 1);
        }
    }

    void menuEvent(MenuEvent event) { events_.menuEvent(event); }
    /// Chooses the row of `key`, as a click does: only an enabled row in the menu.
    void choose(const std::string& key) {
        for (const MenuRow& row : rows_) {
            if (row.key == key && row.enabled) {
                events_.rowChosen(key);
                return;
            }
        }
    }

  private:
    std::optional<AttributedTitle> title_;
    std::vector<AttributedTitle> titleHistory_;
    std::vector<StatusImage> imageHistory_;
    std::vector<MenuRow> rows_;
    std::size_t menusSet_ = 0;
    StatusMenuEvents events_;
};

/// A status area that keeps a record of every item it hands out.
class FakeStatusBar final : public StatusBar, public Journaled {
  public:
    std::unique_ptr<StatusItem> makeStatusItem() override {
        note("statusBar.makeStatusItem");
        auto record = std::make_shared<FakeStatusItem>();
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
        void setImage(const StatusImage& image) override { record->setImage(image); }
        void setMenu(const std::vector<MenuRow>& rows) override { record->setMenu(rows); }
        void setMenuEvents(StatusMenuEvents events) override {
            record->setMenuEvents(std::move(events));
        }
        std::shared_ptr<FakeStatusItem> record;
    };

    std::vector<std::shared_ptr<FakeStatusItem>> items_;
};

}  // namespace headroom::test
