#pragma once

// Helpers shared by the KeyFilePreferenceStore tests.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/linux/KeyFilePreferenceStore.h"

namespace headroom::test {

using Status = KeyFilePreferenceStore::LoadStatus;

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

/// A store on `path`, loaded, whose load must give `expected`.
inline std::unique_ptr<KeyFilePreferenceStore> open(const std::string& path, SystemLog& log,
                                                    Status expected) {
    auto store = std::make_unique<KeyFilePreferenceStore>(path, log);
    std::string message;
    EXPECT_EQ(store->load(message), expected) << path << ": " << message;
    return store;
}

}  // namespace headroom::test
