#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/LoginItems.h"

namespace headroom {

/// Whether `name` has an owner on the session bus (NameHasOwner); false without a session bus.
bool sessionBusNameHasOwner(const std::string& name);

/// Where autostart entries are looked for; what is not set comes from the environment
/// (`$XDG_CONFIG_HOME`, `$XDG_CONFIG_DIRS`, with their defaults).
struct AutostartFolders {
    std::optional<std::string> configHome;
    std::optional<std::vector<std::string>> configDirs;
};

/// Start at login as the Desktop Application Autostart Specification has it: a login item is
/// a desktop entry `<identifier>.desktop` in `$XDG_CONFIG_HOME/autostart`, which the session
/// starts at login.
///
/// Registering writes that entry (atomically, the folder made with mode 0700 when missing) to
/// start the login helper by its absolute path. Unregistering removes it; when a system-wide
/// entry of the same name exists in `$XDG_CONFIG_DIRS/autostart`, the user's entry is written
/// with `Hidden=true` instead, which is how the Desktop Application Autostart Specification lets a
/// user turn a system entry off. A registration that cannot be done says why in `lastError`: the
/// folder cannot be written, the helper is not an executable program, or its path holds a '%'.
///
/// A login helper runs while its identifier, as a name on the session bus, has an owner (the
/// helper takes it at its start); the bus answers NameHasOwner. Without a session bus no helper
/// runs.
class XdgAutostartLoginItems final : public LoginItems {
  public:
    /// `helperPath`: the login helper program that the entry starts; absolute.
    explicit XdgAutostartLoginItems(std::string helperPath, AutostartFolders folders = {});

    /// The login helper installed beside the running program, `headroom-login-helper`.
    static std::string helperBesideExecutable();

    bool setLoginItemEnabled(const std::string& identifier, bool enabled) override;
    bool loginItemRunning(const std::string& identifier) override;
    std::string lastError() const override { return error_; }

    /// The user's entry for `identifier`.
    std::string entryPath(const std::string& identifier) const;

  private:
    bool writeEntry(const std::string& identifier, bool hidden);
    bool fail(std::string reason);

    std::string helperPath_;
    std::string userFolder_;
    std::vector<std::string> systemFolders_;
    std::string error_;
};

}  // namespace headroom
