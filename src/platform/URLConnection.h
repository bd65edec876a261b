#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/WebView.h"

namespace headroom {

/// The head of a response.
struct URLResponse {
    std::string url;
    int statusCode = 0;  ///< 0 where the scheme has none (file)
};

class URLConnection;

/// Hears one connection's progress, always from the main loop, never from inside `start`.
class URLConnectionDelegate {
  public:
    virtual ~URLConnectionDelegate() = default;
    /// Before the request goes out, and again before each redirect is followed (with the
    /// response that redirected). The request goes unchanged.
    virtual void willSendRequest(URLConnection& connection, const URLRequest& request,
                                 const std::optional<URLResponse>& redirectResponse) = 0;
    virtual void didReceiveResponse(URLConnection& connection, const URLResponse& response) = 0;
    virtual void didReceiveData(URLConnection& connection, std::string_view bytes) = 0;
    virtual void connectionDidFinishLoading(URLConnection& connection) = 0;
    virtual void didFailWithError(URLConnection& connection, const std::string& error) = 0;
};

/// One request on its way. Dropping it cancels it: its delegate hears nothing more.
class URLConnection {
  public:
    virtual ~URLConnection() = default;
    virtual void start() = 0;
};

/// Makes connections (HTTP, HTTPS and local files).
class URLConnectionFactory {
  public:
    virtual ~URLConnectionFactory() = default;
    /// A connection for `request` that reports to `delegate`, not started yet.
    virtual std::unique_ptr<URLConnection> connectionWithRequest(
        const URLRequest& request, URLConnectionDelegate& delegate) = 0;
};

}  // namespace headroom
