#include "FakePreferenceStore.h"

#include <charconv>
#include <string_view>
#include <system_error>
#include <utility>

namespace headroom::test {

namespace {

std::optional<std::int64_t> parseDecimal(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool FakePreferenceStore::valueForKey(const std::string& key) const {
    note("preferences.valueForKey");
    return values_.contains(key);
}

bool FakePreferenceStore::boolForKey(const std::string& key) const {
    note("preferences.boolForKey");
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return false;
    }
    if (const auto* flag = std::get_if<bool>(&found->second)) {
        return *flag;
    }
    if (const auto* number = std::get_if<std::int64_t>(&found->second)) {
        return *number == 1;
    }
    const auto& text = std::get<std::string>(found->second);
    return text == "true" || text == "1";
}

std::int64_t FakePreferenceStore::integerForKey(const std::string& key) const {
    note("preferences.integerForKey");
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return 0;
    }
    if (const auto* number = std::get_if<std::int64_t>(&found->second)) {
        return *number;
    }
    if (const auto* flag = std::get_if<bool>(&found->second)) {
        return *flag ? 1 : 0;
    }
    return parseDecimal(std::get<std::string>(found->second)).value_or(0);
}

std::optional<std::string> FakePreferenceStore::objectForKey(const std::string& key) const {
    note("preferences.objectForKey");
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

void FakePreferenceStore::setBool(bool value, const std::string& key) {
    write(key, value);
}

void FakePreferenceStore::setInteger(std::int64_t value, const std::string& key) {
    write(key, value);
}

void FakePreferenceStore::setObject(const std::string& value, const std::string& key) {
    write(key, value);
}

void FakePreferenceStore::setValue(const std::string& value, const std::string& key) {
    write(key, value);
}

std::optional<FakePreferenceStore::Value> FakePreferenceStore::stored(
    const std::string& key) const {
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<std::string> FakePreferenceStore::writtenKeys() const {
    std::vector<std::string> keys;
    keys.reserve(writes_.size());
    for (const auto& w : writes_) {
        keys.push_back(w.key);
    }
    return keys;
}

void FakePreferenceStore::write(const std::string& key, Value value) {
    note("preferences.write");
    writes_.push_back(Write{key, value});
    values_[key] = std::move(value);
}

}  // namespace headroom::test
