#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/SettingWindowFactory.h"

namespace headroom::test {

/// One loaded preferences window of plain values, whose user gestures go to `owner`. It opens
/// at 500 × 400 with its bottom-left corner at (100, 100).
class FakeSettingWindow final : public SettingWindow {
  public:
    FakeSettingWindow(SettingWindowOwner& windowOwner, FakeSettingWindow*& slot)
        : owner(windowOwner), slot_(slot) {}
    ~FakeSettingWindow() override { slot_ = slot_ == this ? nullptr : slot_; }
    FakeSettingWindow(const FakeSettingWindow&) = delete;
    FakeSettingWindow& operator=(const FakeSettingWindow&) = delete;

    void setCheck(SettingCheck box, bool on) override { checks[box] = on; }
    void setTextSize(int chosen) override { segment = chosen; }
    void setRefreshInterval(std::int64_t seconds) override { interval = seconds; }
    void setField(SettingField field, std::int32_t value, FieldBounds kept) override {
        fields[field] = value;
        bounds[field] = kept;
    }
    void setAbout(const std::string& name, const std::string& version,
                  const std::string& copyright) override {
        about = {name, version, copyright};
    }
    void showTab(SettingTab shown) override { tab = shown; }
    WindowFrame frame() const override { return placed; }
    void setFrame(const WindowFrame& frame) override { placed = frame; }
    void endEditing() override {
        if (editing) {
            const auto [field, value] = *std::exchange(editing, std::nullopt);
            fields[field] = value;
            owner.fieldEdited(field, value);
        }
    }
    void setCollectionBehavior(unsigned behavior) override { collectionBehavior = behavior; }
    void makeKeyAndOrderFront() override { ++fronted; }

    /// The user clicks a check box.
    void click(SettingCheck box) {
        checks[box] = !checks[box];
        owner.checkChanged(box, checks[box]);
    }
    /// The user's edit leaves `value` in `field`, which is being edited until editing ends.
    void type(SettingField field, std::int32_t value) { editing = {field, value}; }
    /// The user closes the window, which its owner lets go.
    void close() {
        endEditing();
        owner.windowClosed();
    }

    SettingWindowOwner& owner;
    std::map<SettingCheck, bool> checks;
    int segment = -1;
    std::int64_t interval = 0;
    std::map<SettingField, std::int32_t> fields;
    std::map<SettingField, FieldBounds> bounds;
    std::vector<std::string> about;
    std::optional<SettingTab> tab;
    WindowFrame placed{100.0, 100.0, 500.0, 400.0};
    unsigned collectionBehavior = 0;
    std::size_t fronted = 0;
    std::optional<std::pair<SettingField, std::int32_t>> editing;

  private:
    FakeSettingWindow*& slot_;
};

/// Loads windows of fakes; fails while `failLoads` is set, as with a missing interface file.
class FakeSettingWindowFactory final : public SettingWindowFactory {
  public:
    std::unique_ptr<SettingWindow> loadWindow(SettingWindowOwner& owner) override {
        ++loadCount;
        if (failLoads) {
            return nullptr;
        }
        auto loaded = std::make_unique<FakeSettingWindow>(owner, last_);
        last_ = loaded.get();
        return loaded;
    }
    /// The window loaded last, while its owner holds it.
    FakeSettingWindow& window() const {
        if (last_ == nullptr) {
            throw std::logic_error("FakeSettingWindowFactory: no window is loaded");
        }
        return *last_;
    }
    bool isLoaded() const { return last_ != nullptr; }

    std::size_t loadCount = 0;
    bool failLoads = false;

  private:
    FakeSettingWindow* last_ = nullptr;
};

}  // namespace headroom::test
