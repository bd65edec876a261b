#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace headroom {

/// The user's persistent key-value store. Reads never fail: a value of another type than the
/// one asked for reads as NO, 0 or the stored text, and still counts as present. Writes are
/// persisted by the store itself; a store that cannot persist reports it through its own log
/// and keeps the value for the rest of the run.
class PreferenceStore {
  public:
    virtual ~PreferenceStore() = default;

    /// Whether any value, of any type, is stored under `key`.
    virtual bool valueForKey(const std::string& key) const = 0;

    virtual bool boolForKey(const std::string& key) const = 0;
    virtual std::int64_t integerForKey(const std::string& key) const = 0;
    /// The stored value as text, or nothing when the key is absent.
    virtual std::optional<std::string> objectForKey(const std::string& key) const = 0;

    virtual void setBool(bool value, const std::string& key) = 0;
    virtual void setInteger(std::int64_t value, const std::string& key) = 0;
    virtual void setObject(const std::string& value, const std::string& key) = 0;
    /// Untyped write, used for keys that no property mirrors: stored as text.
    void setValue(const std::string& value, const std::string& key) { setObject(value, key); }
};

}  // namespace headroom
