#include "FakePreferenceStore.h"

#include <charconv>
#include <string_view>
#include <system_error>
#include <utility>

namespace headroom::test {

bool FakePreferenceStore::valueForKey(const std::string& key) const {
    note("preferences.valueForKey");
    return values_.contains(key);
}

bool FakePreferenceStore::boolForKey(const std::string& key) const {
    const auto text = objectForKey(key);
    return text == "true" || text == "1";
}

std::int64_t FakePreferenceStore::integerForKey(const std::string& key) const {
    const std::string stored = objectForKey(key).value_or("");
    std::string_view text = stored;
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size() ? value : 0;
}

std::optional<std::string> FakePreferenceStore::objectForKey(const std::string& key) const {
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    if (const auto* flag = std::get_if<bool>(&found->second)) {
        return std::string(*flag ? "true" : "false");
    }
    if (const auto* number = std::get_if<std::int64_t>(&found->second)) {
        return std::to_string(*number);
    }
    return std::get<std::string>(found->second);
}

void FakePreferenceStore::write(const std::string& key, Value value) {
    note("preferences.write");
    writes_.push_back(Write{key, value});
    values_[key] = std::move(value);
}

}  // namespace headroom::test
