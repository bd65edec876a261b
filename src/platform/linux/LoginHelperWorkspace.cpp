#include "platform/linux/LoginHelperWorkspace.h"

#include <gio/gio.h>

#include <utility>

namespace headroom {

LoginHelperWorkspace::LoginHelperWorkspace(Workspace& inner, std::string helperBusName)
    : inner_(inner), helperBusName_(std::move(helperBusName)) {}

LoginHelperWorkspace::~LoginHelperWorkspace() {
    if (bus_ != nullptr) {
        if (subscription_ != 0) {
            g_dbus_connection_signal_unsubscribe(bus_, subscription_);
        }
        g_object_unref(bus_);
    }
}

void LoginHelperWorkspace::onNameOwnerChanged(GDBusConnection* /*connection*/,
                                              const char* /*sender*/, const char* /*path*/,
                                              const char* /*interface*/, const char* /*signal*/,
                                              GVariant* parameters, void* self) {
    const gchar* name = nullptr;
    const gchar* oldOwner = nullptr;
    const gchar* newOwner = nullptr;
    g_variant_get(parameters, "(&s&s&s)", &name, &oldOwner, &newOwner);
    static_cast<LoginHelperWorkspace*>(self)->owned_ = newOwner[0] != '\0';
}

bool LoginHelperWorkspace::helperRunning() {
    if (!asked_) {
        asked_ = true;
        bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (bus_ == nullptr) {
            return false;
        }
        // Subscribe first, so that no change between the question and its answer is missed.
        subscription_ = g_dbus_connection_signal_subscribe(
            bus_, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
            "/org/freedesktop/DBus", helperBusName_.c_str(), G_DBUS_SIGNAL_FLAGS_NONE,
            onNameOwnerChanged, this, nullptr);
        GVariant* reply = g_dbus_connection_call_sync(
            bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "NameHasOwner", g_variant_new("(s)", helperBusName_.c_str()), G_VARIANT_TYPE("(b)"),
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply != nullptr) {
            gboolean has = FALSE;
            g_variant_get(reply, "(b)", &has);
            owned_ = has != FALSE;
            g_variant_unref(reply);
        }
    }
    return owned_;
}

std::vector<RunningApplication> LoginHelperWorkspace::runningApplications() {
    std::vector<RunningApplication> applications = inner_.runningApplications();
    if (helperRunning()) {
        RunningApplication helper;
        helper.bundleIdentifier = helperBusName_;
        helper.activationPolicy = ActivationPolicy::Prohibited;
        helper.localizedName = "Headroom login helper";
        applications.push_back(std::move(helper));
    }
    return applications;
}

ResidentSizeReading LoginHelperWorkspace::residentSize(std::int32_t processIdentifier) {
    return inner_.residentSize(processIdentifier);
}

}  // namespace headroom
