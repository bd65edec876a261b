#include "FakeStatusBar.h"

#include <stdexcept>
#include <utility>

namespace headroom::test {

namespace {

/// The handle the program owns; every call goes to the record the bar keeps.
class StatusItemHandle final : public StatusItem {
  public:
    explicit StatusItemHandle(std::shared_ptr<FakeStatusItem> record)
        : record_(std::move(record)) {}
    void setAttributedTitle(const AttributedTitle& title) override {
        record_->setAttributedTitle(title);
    }
    void setImage(const std::optional<StatusImage>& image) override { record_->setImage(image); }
    void setMenu(std::shared_ptr<StatusItemMenu> menu) override {
        record_->setMenu(std::move(menu));
    }

  private:
    std::shared_ptr<FakeStatusItem> record_;
};

}  // namespace

void FakeStatusItem::setAttributedTitle(const AttributedTitle& title) {
    note("statusItem.setAttributedTitle");
    title_ = title;
    titleHistory_.push_back(title);
    if (onTitle) {
        onTitle(title);
    }
}

void FakeStatusItem::setImage(const std::optional<StatusImage>& image) {
    note("statusItem.setImage");
    image_ = image;
    imageHistory_.push_back(image);
}

void FakeStatusItem::setMenu(std::shared_ptr<StatusItemMenu> menu) {
    note("statusItem.setMenu");
    menu_ = std::move(menu);
    ++setMenuCount_;
}

std::unique_ptr<StatusItem> FakeStatusBar::statusItemWithLength(double length) {
    note("statusBar.statusItemWithLength");
    auto record = std::make_shared<FakeStatusItem>(length);
    record->setJournal(journal());
    items_.push_back(record);
    return std::make_unique<StatusItemHandle>(std::move(record));
}

FakeStatusItem& FakeStatusBar::item() const {
    if (items_.empty()) {
        throw std::logic_error("FakeStatusBar: no status item has been made");
    }
    return *items_.back();
}

}  // namespace headroom::test
