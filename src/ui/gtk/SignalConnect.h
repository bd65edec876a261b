#pragma once

#include <glib-object.h>

namespace headroom {

/// Connects a C handler, whatever its exact signature, to a GObject signal. GCallback is the
/// one function pointer type that every handler may be cast to; the signal's own signature
/// decides how it is called back.
template <typename Handler>
gulong connectSignal(gpointer instance, const char* signal, Handler handler, gpointer data) {
    return g_signal_connect_data(instance, signal, reinterpret_cast<GCallback>(handler), data,
                                 nullptr, GConnectFlags{});
}

}  // namespace headroom
