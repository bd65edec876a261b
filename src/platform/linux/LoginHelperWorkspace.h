#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Workspace.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace headroom {

/// A Workspace that lists, besides the applications of the one it wraps, the login helper while
/// it runs. The helper runs while its name on the session bus has an owner: the first listing
/// asks the bus (NameHasOwner), and from then on the bus's NameOwnerChanged signals keep the
/// answer current as the main loop turns, so a listing costs no round trip. Without a session
/// bus the helper is never listed.
class LoginHelperWorkspace final : public Workspace {
  public:
    LoginHelperWorkspace(Workspace& inner, std::string helperBusName);
    ~LoginHelperWorkspace() override;
    LoginHelperWorkspace(const LoginHelperWorkspace&) = delete;
    LoginHelperWorkspace& operator=(const LoginHelperWorkspace&) = delete;

    /// The wrapped workspace's applications, then the helper (identified by its bus name, a
    /// background process with no process id of its own here) when it runs.
    std::vector<RunningApplication> runningApplications() override;
    ResidentSizeReading residentSize(std::int32_t processIdentifier) override;

    bool helperRunning();

  private:
    static void onNameOwnerChanged(GDBusConnection* connection, const char* sender,
                                   const char* path, const char* interface, const char* signal,
                                   GVariant* parameters, void* self);

    Workspace& inner_;
    std::string helperBusName_;
    bool asked_ = false;
    bool owned_ = false;
    GDBusConnection* bus_ = nullptr;
    unsigned subscription_ = 0;
};

}  // namespace headroom
