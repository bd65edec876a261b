#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/PreferenceStore.h"

namespace headroom {

// One key of the launch load each: a key that holds any value is read with its typed read and
// taken as it is; a missing key gets the default, which is also written into the store so that
// the value held and the value stored are equal.

bool loadBoolPreference(PreferenceStore& store, std::string_view key, bool fallback);
std::int64_t loadIntegerPreference(PreferenceStore& store, std::string_view key,
                                   std::int64_t fallback);
std::string loadObjectPreference(PreferenceStore& store, std::string_view key,
                                 std::string_view fallback);

/// The low 32 bits of a stored integer, as a signed value: what the two 32-bit properties keep.
constexpr std::int32_t low32Bits(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xffffffff));
}

}  // namespace headroom
