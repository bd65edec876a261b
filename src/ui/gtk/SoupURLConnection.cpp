#include "ui/gtk/SoupURLConnection.h"

#include <string>
#include <utility>

namespace headroom {

namespace {

constexpr gsize kChunk = 64 * 1024;

bool isOwnHeader(const std::string& name) {
    for (const char* own : {"Host", "Connection", "Content-Length", "Transfer-Encoding",
                            "Accept-Encoding", "Keep-Alive"}) {
        if (g_ascii_strcasecmp(name.c_str(), own) == 0) {
            return true;
        }
    }
    return false;
}

/// One request's work, held by its connection and by its own steps; it goes when both have let
/// it go. A connection that goes first stops it: it then tells nobody, at its next step.
struct Transfer {
    Transfer(SoupSession* into, URLRequest asked, URLConnectionDelegate& teller)
        : session(SOUP_SESSION(g_object_ref(into))), request(std::move(asked)), delegate(&teller) {
        // The delegate hears from the main loop, never from inside connectionWithRequest.
        g_idle_add(&Transfer::begin, this);
    }
    ~Transfer() {
        g_clear_object(&stream);
        g_clear_object(&message);
        g_object_unref(cancellable);
        g_object_unref(session);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    static gboolean begin(gpointer data) {
        auto* self = static_cast<Transfer*>(data);
        const char* peeked = g_uri_peek_scheme(self->request.url.c_str());
        const std::string scheme = peeked != nullptr ? peeked : "";
        if (self->delegate == nullptr) {
            self->end({});
        } else if (scheme != "http" && scheme != "https" && scheme != "file") {
            self->end("the address " + self->request.url + " is neither a web page nor a file");
        } else if (self->request.method != "GET" && self->request.method != "HEAD") {
            self->end("a " + self->request.method +
                      " request cannot be sent again without its body");
        } else if (scheme == "file") {
            self->delegate->willSendRequest();
            g_autoptr(GFile) file = g_file_new_for_uri(self->request.url.c_str());
            g_file_read_async(file, G_PRIORITY_DEFAULT, self->cancellable, &opened, self);
        } else if ((self->message = soup_message_new(self->request.method.c_str(),
                                                     self->request.url.c_str())) == nullptr) {
            self->end("the address " + self->request.url + " is not valid");
        } else {
            // As the page sent it (its user agent and what it accepts), but for the headers
            // that belong to one connection, which libsoup writes itself.
            for (const auto& [name, value] : self->request.headers) {
                if (!isOwnHeader(name)) {
                    soup_message_headers_replace(soup_message_get_request_headers(self->message),
                                                 name.c_str(), value.c_str());
                }
            }
            self->delegate->willSendRequest();
            soup_session_send_async(self->session, self->message, G_PRIORITY_DEFAULT,
                                    self->cancellable, &opened, self);
        }
        return G_SOURCE_REMOVE;
    }

    /// The body's stream is open (or not): for HTTP, once the final answer's headers are in.
    static void opened(GObject* source, GAsyncResult* result, gpointer data) {
        auto* self = static_cast<Transfer*>(data);
        g_autoptr(GError) error = nullptr;
        if (SOUP_IS_SESSION(source)) {
            self->stream = soup_session_send_finish(SOUP_SESSION(source), result, &error);
        } else {
            self->stream = G_INPUT_STREAM(g_file_read_finish(G_FILE(source), result, &error));
        }
        if (self->stream == nullptr) {
            self->end(error->message);
        } else if (const auto status =
                       self->message != nullptr
                           ? static_cast<guint>(soup_message_get_status(self->message))
                           : 200U;
                   status < 200 || status > 299) {
            // An error, or a redirect not followed (to another kind of address): no answer.
            self->end("the server answered " + std::to_string(status) + " " +
                      soup_message_get_reason_phrase(self->message));
        } else {
            self->readMore();
        }
    }

    void readMore() {
        g_input_stream_read_bytes_async(stream, kChunk, G_PRIORITY_DEFAULT, cancellable, &chunkRead,
                                        this);
    }

    static void chunkRead(GObject* source, GAsyncResult* result, gpointer data) {
        auto* self = static_cast<Transfer*>(data);
        g_autoptr(GError) error = nullptr;
        g_autoptr(GBytes) bytes =
            g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, &error);
        gsize size = 0;
        const auto* chunk =
            bytes != nullptr ? static_cast<const char*>(g_bytes_get_data(bytes, &size)) : nullptr;
        if (bytes == nullptr) {
            self->end(error->message);
        } else if (size == 0) {
            self->end({});
        } else if (self->body.size() + size > URLConnectionFactory::kBodyLimit) {
            self->end("the answer is larger than " +
                      std::to_string(URLConnectionFactory::kBodyLimit >> 20) + " MiB");
        } else {
            self->body.append(chunk, size);
            self->readMore();
        }
    }

    /// Tells the delegate, if it is still there, how the load ended (`error` empty: it
    /// finished), and goes.
    void end(const std::string& error) {
        if (delegate != nullptr && !error.empty()) {
            delegate->didFailWithError(error);
        } else if (delegate != nullptr) {
            // Only text is told: bytes that are not UTF-8 give no text at all.
            if (!body.empty() &&
                g_utf8_validate(body.data(), static_cast<gssize>(body.size()), nullptr) != FALSE) {
                delegate->didReceiveData(body);
            }
            delegate->connectionDidFinishLoading();
        }
        release();
    }

    void release() {
        if (--holders == 0) {
            delete this;
        }
    }

    SoupSession* session;
    URLRequest request;
    URLConnectionDelegate* delegate;  ///< null once the connection has gone
    GCancellable* cancellable = g_cancellable_new();
    SoupMessage* message = nullptr;
    GInputStream* stream = nullptr;
    std::string body;
    int holders = 2;  ///< the connection, and the steps under way
};

class SoupURLConnection final : public URLConnection {
  public:
    explicit SoupURLConnection(Transfer* transfer) : transfer_(transfer) {}
    /// Whatever is still on its way stops, and is not told.
    ~SoupURLConnection() override {
        transfer_->delegate = nullptr;
        g_cancellable_cancel(transfer_->cancellable);
        transfer_->release();
    }
    SoupURLConnection(const SoupURLConnection&) = delete;
    SoupURLConnection& operator=(const SoupURLConnection&) = delete;

  private:
    Transfer* transfer_;
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
    return std::make_unique<SoupURLConnection>(new Transfer(session_.get(), request, delegate));
}

}  // namespace headroom
