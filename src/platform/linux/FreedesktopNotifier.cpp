#include "platform/linux/FreedesktopNotifier.h"

#include <utility>

namespace headroom {

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";

}  // namespace

FreedesktopNotifier::FreedesktopNotifier(SystemLog& log, std::string applicationId,
                                         std::string applicationName)
    : log_(log),
      applicationId_(std::move(applicationId)),
      applicationName_(std::move(applicationName)) {}

FreedesktopNotifier::~FreedesktopNotifier() {
    // An answer still on its way finds the call cancelled and leaves this object alone.
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
    g_clear_object(&bus_);
}

void FreedesktopNotifier::call(const char* method, GVariant* parameters, GAsyncReadyCallback done) {
    g_autoptr(GError) error = nullptr;
    // Held for the notifier's life: the session bus closes with its last reference, and a call
    // that expects no answer would go with it unsent.
    if (bus_ == nullptr) {
        bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    }
    if (bus_ == nullptr) {
        g_variant_unref(g_variant_ref_sink(parameters));
        failed(error);
        return;
    }
    g_dbus_connection_call(bus_, kService, kPath, kService, method, parameters, nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, cancellable_, done, this);
}

void FreedesktopNotifier::show(const std::string& summary, const std::string& body) {
    withdrawn_ = false;
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry",
                          g_variant_new_string(applicationId_.c_str()));
    call("Notify",
         g_variant_new("(susssasa{sv}i)", applicationName_.c_str(), id_, applicationId_.c_str(),
                       summary.c_str(), body.c_str(), nullptr, &hints, -1),
         &FreedesktopNotifier::shown);
}

void FreedesktopNotifier::withdraw() {
    withdrawn_ = true;
    if (id_ != 0) {
        call("CloseNotification", g_variant_new("(u)", id_), nullptr);
        id_ = 0;
    }
}

void FreedesktopNotifier::shown(GObject* bus, GAsyncResult* result, gpointer self) {
    g_autoptr(GError) error = nullptr;
    g_autoptr(GVariant) reply =
        g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        return;  // the notifier is gone
    }
    auto& notifier = *static_cast<FreedesktopNotifier*>(self);
    if (reply == nullptr) {
        notifier.failed(error);
        return;
    }
    g_variant_get(reply, "(u)", &notifier.id_);
    if (notifier.withdrawn_) {
        notifier.withdraw();
    }
}

void FreedesktopNotifier::failed(const GError* error) {
    if (!failureLogged_) {
        failureLogged_ = true;
        log_.log(std::string("Cannot show a desktop notification: ") +
                 (error != nullptr ? error->message : "no answer"));
    }
}

}  // namespace headroom
