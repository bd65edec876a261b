#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace headroom {

/// A request as a web view sends it. The engine does not tell the body of a request, so the
/// program only knows, and can only repeat, requests without one.
struct URLRequest {
    std::string url;
    std::string method = "GET";
    std::vector<std::pair<std::string, std::string>> headers;
    friend bool operator==(const URLRequest&, const URLRequest&) = default;
};

/// Hears one connection's progress, always from the main loop, never from inside
/// `connectionWithRequest`.
class URLConnectionDelegate {
  public:
    virtual ~URLConnectionDelegate() = default;
    /// Before the request goes out.
    virtual void willSendRequest() = 0;
    /// The body, when it is UTF-8 text: a body that is not is never told, and its load
    /// finishes as one without a body.
    virtual void didReceiveData(std::string_view text) = 0;
    virtual void connectionDidFinishLoading() = 0;
    virtual void didFailWithError(const std::string& error) = 0;
};

/// One request on its way. Dropping it cancels it: its delegate hears nothing more.
class URLConnection {
  public:
    virtual ~URLConnection() = default;
};

/// Sends requests (HTTP, HTTPS and local files).
class URLConnectionFactory {
  public:
    /// The largest body kept: a longer one fails, and is not read past this.
    static constexpr std::size_t kBodyLimit = std::size_t{1} << 20;

    virtual ~URLConnectionFactory() = default;
    /// A connection for `request`, started, that reports to `delegate`.
    virtual std::unique_ptr<URLConnection> connectionWithRequest(
        const URLRequest& request, URLConnectionDelegate& delegate) = 0;
};

}  // namespace headroom
