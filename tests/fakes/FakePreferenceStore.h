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
/// put a value of the wrong type under a key; the typed reads then convert as the key-file
/// store does:
/// - bool read: a bool as it is; the integers 0 and 1; the texts "true", "false", "1", "0";
///   anything else reads NO.
/// - integer read: an integer as it is; a text that is wholly a decimal integer (optional sign)
///   within 64 bits; a bool reads 1 or 0 (the typed stores agree on that); anything else 0.
/// - object read: a text as it is, an integer in decimal, a bool as "true" or "false".
/// Every write through the port is recorded, in order, with the type it was written with.
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
    void setBool(bool value, const std::string& key) override;
    void setInteger(std::int64_t value, const std::string& key) override;
    void setObject(const std::string& value, const std::string& key) override;
    void setValue(const std::string& value, const std::string& key) override;

    /// Puts a value as another program would: not recorded as a write.
    void put(const std::string& key, Value value) { values_[key] = std::move(value); }
    void put(const std::string& key, bool value) { put(key, Value(value)); }
    void put(const std::string& key, int value) { put(key, Value(std::int64_t{value})); }
    void put(const std::string& key, std::int64_t value) { put(key, Value(value)); }
    void put(const std::string& key, const char* text) { put(key, Value(std::string(text))); }
    void erase(const std::string& key) { values_.erase(key); }

    /// The stored value with its type, or nothing.
    std::optional<Value> stored(const std::string& key) const;
    const std::map<std::string, Value>& values() const { return values_; }

    const std::vector<Write>& writes() const { return writes_; }
    std::vector<std::string> writtenKeys() const;
    void clearWrites() { writes_.clear(); }

  private:
    void write(const std::string& key, Value value);

    std::map<std::string, Value> values_;
    std::vector<Write> writes_;
};

}  // namespace headroom::test
