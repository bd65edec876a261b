#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <string>

#include "platform/DesktopNotifier.h"
#include "platform/SystemLog.h"

namespace headroom {

/// The notification through the session's notification server (org.freedesktop.Notifications,
/// the Desktop Notifications Specification 1.2): shown under the application's name and icon
/// with its `desktop-entry` hint, changed in place by `replaces_id`. Calls are asynchronous;
/// without a server (or bus) the first failure is logged and nothing else happens.
class FreedesktopNotifier final : public DesktopNotifier {
  public:
    FreedesktopNotifier(SystemLog& log, std::string applicationId, std::string applicationName);
    ~FreedesktopNotifier() override;
    FreedesktopNotifier(const FreedesktopNotifier&) = delete;
    FreedesktopNotifier& operator=(const FreedesktopNotifier&) = delete;

    void show(const std::string& summary, const std::string& body) override;
    void withdraw() override;

  private:
    void call(const char* method, GVariant* parameters, GAsyncReadyCallback done);
    static void shown(GObject* bus, GAsyncResult* result, gpointer self);
    void failed(const GError* error);

    SystemLog& log_;
    std::string applicationId_;
    std::string applicationName_;
    GDBusConnection* bus_ = nullptr;
    GCancellable* cancellable_ = g_cancellable_new();
    std::uint32_t id_ = 0;    ///< the server's id of the notification shown; 0: none
    bool withdrawn_ = false;  ///< taken away while the server had not answered yet
    bool failureLogged_ = false;
};

}  // namespace headroom
