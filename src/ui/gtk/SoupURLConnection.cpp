#include "ui/gtk/SoupURLConnection.h"

#include <glibmm/main.h>
#include <strings.h>

#include <array>
#include <utility>

#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

/// Headers that belong to one connection and that libsoup writes itself.
bool isOwnHeader(const std::string& name) {
    constexpr std::array kOwn{
        "Host",      "Connection", "Content-Length", "Transfer-Encoding", "Accept-Encoding",
        "Keep-Alive"};
    for (const char* own : kOwn) {
        if (strcasecmp(name.c_str(), own) == 0) {
            return true;
        }
    }
    return false;
}

std::string schemeOf(const std::string& url) {
    gchar* scheme = g_uri_parse_scheme(url.c_str());
    std::string lower;
    if (scheme != nullptr) {
        gchar* folded = g_ascii_strdown(scheme, -1);
        lower = folded;
        g_free(folded);
        g_free(scheme);
    }
    return lower;
}

std::string uriText(GUri* uri) {
    gchar* text = g_uri_to_string(uri);
    std::string out = text != nullptr ? text : "";
    g_free(text);
    return out;
}

class SoupURLConnection final : public URLConnection {
  public:
    SoupURLConnection(SoupSession* session, URLRequest request, URLConnectionDelegate& delegate)
        : session_(reinterpret_cast<SoupSession*>(g_object_ref(session))),
          request_(std::move(request)),
          delegate_(delegate),
          alive_(std::make_shared<SoupURLConnection*>(this)),
          cancellable_(g_cancellable_new()) {}

    ~SoupURLConnection() override {
        *alive_ = nullptr;
        g_cancellable_cancel(cancellable_);
        if (message_ != nullptr) {
            g_signal_handlers_disconnect_matched(message_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                                 nullptr, this);
            g_object_unref(message_);
        }
        g_object_unref(cancellable_);
        g_object_unref(session_);
    }
    SoupURLConnection(const SoupURLConnection&) = delete;
    SoupURLConnection& operator=(const SoupURLConnection&) = delete;

    void start() override {
        if (started_) {
            return;
        }
        started_ = true;
        // The delegate hears from the main loop, never from inside start().
        std::weak_ptr<SoupURLConnection*> alive = alive_;
        Glib::signal_idle().connect_once([alive] {
            if (const auto self = alive.lock(); self && *self != nullptr) {
                (*self)->begin();
            }
        });
    }

  private:
    using Alive = std::shared_ptr<SoupURLConnection*>;

    void begin() {
        const std::string scheme = schemeOf(request_.url);
        if (scheme != "http" && scheme != "https" && scheme != "file") {
            fail("the address " + request_.url + " is neither a web page nor a file");
            return;
        }
        if (request_.method != "GET" && request_.method != "HEAD") {
            fail("a " + request_.method + " request cannot be sent again without its body");
            return;
        }
        const Alive alive = alive_;
        delegate_.willSendRequest(*this, request_, std::nullopt);
        if (*alive == nullptr) {
            return;
        }
        if (scheme == "file") {
            GFile* file = g_file_new_for_uri(request_.url.c_str());
            g_file_load_contents_async(file, cancellable_, &fileLoaded, new Alive(alive_));
            g_object_unref(file);
            return;
        }
        message_ = soup_message_new(request_.method.c_str(), request_.url.c_str());
        if (message_ == nullptr) {
            fail("the address " + request_.url + " is not valid");
            return;
        }
        SoupMessageHeaders* headers = soup_message_get_request_headers(message_);
        for (const auto& [name, value] : request_.headers) {
            if (!isOwnHeader(name)) {
                soup_message_headers_replace(headers, name.c_str(), value.c_str());
            }
        }
        connectSignal(message_, "got-headers", &gotHeaders, this);
        connectSignal(message_, "restarted", &restarted, this);
        soup_session_send_and_read_async(session_, message_, G_PRIORITY_DEFAULT, cancellable_,
                                         &sent, new Alive(alive_));
    }

    void fail(const std::string& error) { delegate_.didFailWithError(*this, error); }

    /// Tells the delegate the whole load, as long as the connection is still wanted.
    void finish(const URLResponse& response, std::string_view body) {
        const Alive alive = alive_;
        delegate_.didReceiveResponse(*this, response);
        if (*alive == nullptr) {
            return;
        }
        if (!body.empty()) {
            delegate_.didReceiveData(*this, body);
            if (*alive == nullptr) {
                return;
            }
        }
        delegate_.connectionDidFinishLoading(*this);
    }

    /// The connection a callback is for, or null when it has gone (or was cancelled).
    static SoupURLConnection* owner(gpointer data, GError* error) {
        const std::unique_ptr<Alive> alive(static_cast<Alive*>(data));
        const bool cancelled =
            error != nullptr && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) != FALSE;
        return cancelled ? nullptr : **alive;
    }

    static void fileLoaded(GObject* source, GAsyncResult* result, gpointer data) {
        gchar* contents = nullptr;
        gsize length = 0;
        GError* error = nullptr;
        g_file_load_contents_finish(reinterpret_cast<GFile*>(source), result, &contents, &length,
                                    nullptr, &error);
        if (SoupURLConnection* self = owner(data, error)) {
            if (error != nullptr) {
                self->fail(error->message);
            } else {
                self->finish(URLResponse{self->request_.url, 0},
                             std::string_view(contents, length));
            }
        }
        g_clear_error(&error);
        g_free(contents);
    }

    static void sent(GObject* source, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        GBytes* bytes = soup_session_send_and_read_finish(reinterpret_cast<SoupSession*>(source),
                                                          result, &error);
        if (SoupURLConnection* self = owner(data, error)) {
            if (error != nullptr) {
                self->fail(error->message);
            } else {
                gsize size = 0;
                const auto* body = static_cast<const char*>(g_bytes_get_data(bytes, &size));
                const URLResponse response{
                    uriText(soup_message_get_uri(self->message_)),
                    static_cast<int>(soup_message_get_status(self->message_))};
                self->finish(response, std::string_view(body != nullptr ? body : "", size));
            }
        }
        g_clear_error(&error);
        if (bytes != nullptr) {
            g_bytes_unref(bytes);
        }
    }

    static void gotHeaders(SoupMessage* message, gpointer self) {
        auto* connection = static_cast<SoupURLConnection*>(self);
        connection->lastResponse_ = URLResponse{uriText(soup_message_get_uri(message)),
                                                static_cast<int>(soup_message_get_status(message))};
    }

    static void restarted(SoupMessage* message, gpointer self) {
        auto* connection = static_cast<SoupURLConnection*>(self);
        URLRequest next = connection->request_;
        next.url = uriText(soup_message_get_uri(message));
        next.method = soup_message_get_method(message);
        connection->delegate_.willSendRequest(*connection, next, connection->lastResponse_);
    }

    SoupSession* session_;
    URLRequest request_;
    URLConnectionDelegate& delegate_;
    Alive alive_;
    GCancellable* cancellable_;
    SoupMessage* message_ = nullptr;
    std::optional<URLResponse> lastResponse_;
    bool started_ = false;
};

}  // namespace

SoupURLConnectionFactory::SoupURLConnectionFactory(unsigned timeoutSeconds)
    : session_(soup_session_new()) {
    soup_session_set_timeout(session_, timeoutSeconds);
    soup_session_set_user_agent(session_, "Headroom ");  // the trailing space adds libsoup's own
}

SoupURLConnectionFactory::~SoupURLConnectionFactory() {
    g_object_unref(session_);
}

std::unique_ptr<URLConnection> SoupURLConnectionFactory::connectionWithRequest(
    const URLRequest& request, URLConnectionDelegate& delegate) {
    return std::make_unique<SoupURLConnection>(session_, request, delegate);
}

}  // namespace headroom
