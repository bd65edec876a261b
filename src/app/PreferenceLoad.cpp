#include "app/PreferenceLoad.h"

namespace headroom {

bool loadBoolPreference(PreferenceStore& store, std::string_view key, bool fallback) {
    const std::string name(key);
    if (store.valueForKey(name)) {
        return store.boolForKey(name);
    }
    store.setBool(fallback, name);
    return fallback;
}

std::int64_t loadIntegerPreference(PreferenceStore& store, std::string_view key,
                                   std::int64_t fallback) {
    const std::string name(key);
    if (store.valueForKey(name)) {
        return store.integerForKey(name);
    }
    store.setInteger(fallback, name);
    return fallback;
}

std::string loadObjectPreference(PreferenceStore& store, std::string_view key,
                                 std::string_view fallback) {
    const std::string name(key);
    if (store.valueForKey(name)) {
        return store.objectForKey(name).value_or(std::string());
    }
    store.setObject(std::string(fallback), name);
    return std::string(fallback);
}

}  // namespace headroom
