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

    /// The menu opens, as a panel opens it: its rows follow every refresh until it closes.
    void openMenu() { statusItem().menuEvent(MenuEvent::Opened); }

    /// The menu's rows as last set.
    const std::vector<MenuRow>& menu() { return statusItem().rows(); }

    std::string rowTitle(std::size_t index) {
        return index < menu().size() ? menu()[index].title
                                     : "<no row " + std::to_string(index) + ">";
    }

    /// The rows that carry the application-row tag, wherever they stand.
    std::vector<MenuRow> applicationRows() {
        std::vector<MenuRow> rows;
        for (const MenuRow& row : menu()) {
            if (row.tag == StatusMenu::kApplicationRowTag) {
                rows.push_back(row);
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
