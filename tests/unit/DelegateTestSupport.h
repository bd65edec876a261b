#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "app/AppDelegate.h"

namespace headroom::test {

inline constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
inline constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

/// A delegate on a fresh fake platform. The delegate is made on first use, so a test can set
/// the fakes up first; it is destroyed before the fakes.
class DelegateTest : public ::testing::Test {
  protected:
    AppDelegate& delegate() {
        if (!delegate_) {
            delegate_ = std::make_unique<AppDelegate>(fakes.platform());
        }
        return *delegate_;
    }

    AppDelegate& launch() {
        delegate().applicationDidFinishLaunching();
        return *delegate_;
    }

    FakeStatusItem& statusItem() { return fakes.statusBar.item(); }

    /// The status menu, as the launch put it on the status item.
    Menu& menu() { return dynamic_cast<Menu&>(*statusItem().menu()); }

    std::string rowTitle(std::size_t index) {
        const auto item = menu().itemAtIndex(index);
        return item ? item->title() : std::string("<no row ") + std::to_string(index) + ">";
    }

    /// The rows that carry the application-row tag, wherever they stand.
    std::vector<std::shared_ptr<MenuItem>> applicationRows() {
        std::vector<std::shared_ptr<MenuItem>> rows;
        for (const auto& item : menu().itemArray()) {
            if (item->tag() == StatusMenu::kApplicationRowTag) {
                rows.push_back(item);
            }
        }
        return rows;
    }

    /// Free memory of exactly `bytes`, and nothing else in the breakdown.
    void setFreeBytesExactly(std::uint64_t bytes) { fakes.hostMemory.setStatistics({bytes}); }

    FakePlatform fakes;

  private:
    std::unique_ptr<AppDelegate> delegate_;
};

}  // namespace headroom::test
