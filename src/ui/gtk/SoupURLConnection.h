#pragma once

#include <libsoup/soup.h>

#include <memory>

#include "platform/URLConnection.h"

namespace headroom {

/// Connections over libsoup 3 (http, https) and GIO (file), answering on the main loop.
///
/// A request is sent again as the page sent it, headers included, but only when it has no body: the
/// engine never tells a request's body, so GET and HEAD only; anything else fails. Redirects are
/// followed and the body told is the final page's, in one piece, when it is UTF-8 text. An HTTP
/// error status is a finished load like any other (the body is what counts). Failures reach the
/// delegate.
class SoupURLConnectionFactory final : public URLConnectionFactory {
  public:
    /// `timeoutSeconds` bounds each request's network waits.
    explicit SoupURLConnectionFactory(unsigned timeoutSeconds = 30);

    std::unique_ptr<URLConnection> connectionWithRequest(const URLRequest& request,
                                                         URLConnectionDelegate& delegate) override;

  private:
    std::unique_ptr<SoupSession, decltype(&g_object_unref)> session_;
};

}  // namespace headroom
