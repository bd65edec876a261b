#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "CallJournal.h"
#include "platform/PreferenceStore.h"

namespace headroom::test {

/// An in-memory preference store. Values keep the type they were written with, so a test can
/// put a value of the wrong type under a key; the typed reads then read its text as the
/// key-file store does: a bool is "true" or "false", an integer its decimal; a bool read takes
/// "true" and "1", an integer read a text that is wholly a decimal within 64 bits, anything
/// else reads NO or 0. Every write through the port is recorded, in order, with the type it
/// was written with.
class FakePreferenceStore final : public PreferenceStore, public Journaled {
  public:
    using Value = std::variant<bool, std::int64_t, std::string>;

    struct Write {
        std::string key;
        Value value;
        friend bool operator==(const Write&, const Write&) = default;
    };

    // The port.
    bool valueForKey(const std::string& key) const override;
    bool boolForKey(const std::string& key) const override;
    std::int64_t integerForKey(const std::string& key) const override;
    std::optional<std::string> objectForKey(const std::string& key) const override;
    void setBool(bool value, const std::string& key) override { write(key, value); }
    void setInteger(std::int64_t value, const std::string& key) override { write(key, value); }
    void setObject(const std::string& value, const std::string& key) override { write(key, value); }

    /// Puts a value as another program would: not recorded as a write.
    void put(const std::string& key, Value value) { values_[key] = std::move(value); }
    void put(const std::string& key, bool value) { put(key, Value(value)); }
    void put(const std::string& key, int value) { put(key, Value(std::int64_t{value})); }
    void put(const std::string& key, std::int64_t value) { put(key, Value(value)); }
    void put(const std::string& key, const char* text) { put(key, Value(std::string(text))); }
    void erase(const std::string& key) { values_.erase(key); }

    const std::map<std::string, Value>& values() const { return values_; }
    const std::vector<Write>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }

  private:
    void write(const std::string& key, Value value);

    std::map<std::string, Value> values_;
    std::vector<Write> writes_;
};

}  // namespace headroom::test
