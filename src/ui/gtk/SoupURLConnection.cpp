#include "ui/gtk/SoupURLConnection.h"

#include <string>

namespace headroom {

namespace {

bool isOwnHeader(const std::string& name) {
    for (const char* own : {"Host", "Connection", "Content-Length", "Transfer-Encoding",
                            "Accept-Encoding", "Keep-Alive"}) {
        if (g_ascii_strcasecmp(name.c_str(), own) == 0) {
            return true;
        }
    }
    return false;
}

class SoupURLConnection final : public URLConnection {
  public:
    SoupURLConnection(SoupSession* session, URLRequest request, URLConnectionDelegate& delegate)
        : session_(session),
          request_(std::move(request)),
          delegate_(delegate),
          cancellable_(g_cancellable_new()),
          // The delegate hears from the main loop, never from inside connectionWithRequest.
          idle_(g_idle_add(&SoupURLConnection::begin, this)) {}

    ~SoupURLConnection() override {
        if (idle_ != 0) {
            g_source_remove(idle_);
        }
        // Whatever is still on its way ends as cancelled, and is not told.
        g_cancellable_cancel(cancellable_);
        g_object_unref(cancellable_);
    }
    SoupURLConnection(const SoupURLConnection&) = delete;
    SoupURLConnection& operator=(const SoupURLConnection&) = delete;

  private:
    static gboolean begin(gpointer data) {
        auto* self = static_cast<SoupURLConnection*>(data);
        self->idle_ = 0;
        const URLRequest& request = self->request_;
        const char* peeked = g_uri_peek_scheme(request.url.c_str());
        const std::string scheme = peeked != nullptr ? peeked : "";
        SoupMessage* message = nullptr;
        if (scheme != "http" && scheme != "https" && scheme != "file") {
            self->delegate_.didFailWithError("the address " + request.url +
                                             " is neither a web page nor a file");
        } else if (request.method != "GET" && request.method != "HEAD") {
            self->delegate_.didFailWithError("a " + request.method +
                                             " request cannot be sent again without its body");
        } else if (scheme == "file") {
            self->delegate_.willSendRequest();
            GFile* file = g_file_new_for_uri(request.url.c_str());
            g_file_load_contents_async(file, self->cancellable_, &fileLoaded, self);
            g_object_unref(file);
        } else if ((message = soup_message_new(request.method.c_str(), request.url.c_str())) ==
                   nullptr) {
            self->delegate_.didFailWithError("the address " + request.url + " is not valid");
        } else {
            // As the page sent it (its user agent and what it accepts), but for the headers
            // that belong to one connection, which libsoup writes itself.
            for (const auto& [name, value] : request.headers) {
                if (!isOwnHeader(name)) {
                    soup_message_headers_replace(soup_message_get_request_headers(message),
                                                 name.c_str(), value.c_str());
                }
            }
            self->delegate_.willSendRequest();
            soup_session_send_and_read_async(self->session_, message, G_PRIORITY_DEFAULT,
                                             self->cancellable_, &sent, self);
            g_object_unref(message);
        }
        return G_SOURCE_REMOVE;
    }

    static void fileLoaded(GObject* source, GAsyncResult* result, gpointer data) {
        gchar* contents = nullptr;
        gsize length = 0;
        GError* error = nullptr;
        g_file_load_contents_finish(G_FILE(source), result, &contents, &length, nullptr, &error);
        finish(data, error, contents, length);
        g_free(contents);
    }

    static void sent(GObject* source, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        GBytes* bytes = soup_session_send_and_read_finish(SOUP_SESSION(source), result, &error);
        gsize size = 0;
        const void* body = bytes != nullptr ? g_bytes_get_data(bytes, &size) : nullptr;
        finish(data, error, static_cast<const char*>(body), size);
        if (bytes != nullptr) {
            g_bytes_unref(bytes);
        }
    }

    /// Tells the delegate how the load ended, unless it was cancelled: then the connection
    /// (`data`) has gone.
    static void finish(gpointer data, GError* error, const char* body, gsize size) {
        auto* self = static_cast<SoupURLConnection*>(data);
        if (error == nullptr) {
            // Only text is told: bytes that are not UTF-8 give no text at all.
            if (size > 0 && g_utf8_validate(body, static_cast<gssize>(size), nullptr) != FALSE) {
                self->delegate_.didReceiveData(std::string_view(body, size));
            }
            self->delegate_.connectionDidFinishLoading();
        } else if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            self->delegate_.didFailWithError(error->message);
        }
        g_clear_error(&error);
    }

    SoupSession* session_;
    URLRequest request_;
    URLConnectionDelegate& delegate_;
    GCancellable* cancellable_;
    guint idle_;
};

}  // namespace

SoupURLConnectionFactory::SoupURLConnectionFactory(unsigned timeoutSeconds)
    : session_(soup_session_new(), &g_object_unref) {
    soup_session_set_timeout(session_.get(), timeoutSeconds);
    // The trailing space adds libsoup's own name and version.
    soup_session_set_user_agent(session_.get(), "Headroom ");
}

std::unique_ptr<URLConnection> SoupURLConnectionFactory::connectionWithRequest(
    const URLRequest& request, URLConnectionDelegate& delegate) {
    return std::make_unique<SoupURLConnection>(session_.get(), request, delegate);
}

}  // namespace headroom
