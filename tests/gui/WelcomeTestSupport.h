#pragma once

#include <glibmm/main.h>
#include <libsoup/soup.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace headroom::test {

/// Turns the default main context until `done` holds or `seconds` have passed; whether it held.
inline bool spinUntil(const std::function<bool()>& done, double seconds = 15.0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    auto context = Glib::MainContext::get_default();
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        if (!context->iteration(false)) {
            g_usleep(2000);
        }
    }
    return true;
}

/// Turns the default main context for `seconds`, whatever happens.
inline void spinFor(double seconds) {
    spinUntil([] { return false; }, seconds);
}

/// A TCP port of 127.0.0.1 that no socket holds (the system's choice, let go at once).
inline int freePort() {
    GSocket* socket =
        g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, nullptr);
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
    int port = 0;
    if (socket != nullptr && g_socket_bind(socket, address, FALSE, nullptr)) {
        if (GSocketAddress* bound = g_socket_get_local_address(socket, nullptr)) {
            port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
            g_object_unref(bound);
        }
    }
    g_object_unref(address);
    g_object_unref(loopback);
    if (socket != nullptr) {
        g_object_unref(socket);
    }
    return port;
}

/// A web site on 127.0.0.1 (a port of the system's choosing), served from this process's main
/// loop by libsoup: fixed pages by path, and every request it was asked for, in order.
class LocalSite {
  public:
    struct Request {
        std::string path;
        std::string query;
        std::string accept;  ///< its Accept header
    };
    /// An answer: a status and an HTML body, or for a redirect the address to go to.
    struct Response {
        int status = 200;
        std::string body;
        std::string location;
    };
    using Page = std::function<Response(const std::string& query)>;

    LocalSite() : server_(soup_server_new(nullptr, nullptr)) {
        soup_server_add_handler(server_, nullptr, &LocalSite::handle, this, nullptr);
        GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
        GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
        GError* error = nullptr;
        soup_server_listen(server_, address, SoupServerListenOptions{}, &error);
        if (error == nullptr) {
            GSList* uris = soup_server_get_uris(server_);
            if (uris != nullptr) {
                port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
            }
            g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
        } else {
            g_error_free(error);
        }
        g_object_unref(address);
        g_object_unref(loopback);
    }
    ~LocalSite() {
        soup_server_disconnect(server_);
        g_object_unref(server_);
    }
    LocalSite(const LocalSite&) = delete;
    LocalSite& operator=(const LocalSite&) = delete;

    bool listening() const { return port_ > 0; }
    /// "http://127.0.0.1:<port>" followed by `path`.
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    void serve(const std::string& path, Page page) { pages_[path] = std::move(page); }
    void serve(const std::string& path, const std::string& html) {
        pages_[path] = [html](const std::string&) { return Response{200, html, ""}; };
    }

    const std::vector<Request>& requests() const { return requests_; }
    std::size_t count(const std::string& path) const {
        std::size_t n = 0;
        for (const auto& request : requests_) {
            n += request.path == path ? 1U : 0U;
        }
        return n;
    }

  private:
    static void handle(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                       gpointer self) {
        auto* site = static_cast<LocalSite*>(self);
        const char* query = g_uri_get_query(soup_server_message_get_uri(message));
        const char* accept = soup_message_headers_get_one(
            soup_server_message_get_request_headers(message), "Accept");
        site->requests_.push_back(
            Request{path, query != nullptr ? query : "", accept != nullptr ? accept : ""});
        const auto found = site->pages_.find(path);
        const Response response = found != site->pages_.end()
                                      ? found->second(query != nullptr ? query : "")
                                      : Response{404, "<p>Not here</p>", ""};
        if (!response.location.empty()) {
            soup_server_message_set_redirect(message, static_cast<guint>(response.status),
                                             response.location.c_str());
            return;
        }
        soup_server_message_set_status(message, static_cast<guint>(response.status), nullptr);
        soup_server_message_set_response(message, "text/html; charset=utf-8", SOUP_MEMORY_COPY,
                                         response.body.data(), response.body.size());
    }

    SoupServer* server_;
    int port_ = 0;
    std::map<std::string, Page> pages_;
    std::vector<Request> requests_;
};

}  // namespace headroom::test
