#pragma once

#include <libsoup/soup.h>

#include <memory>

#include "platform/URLConnection.h"

namespace headroom {

/// Connections over libsoup 3 (http, https) and GIO (file), answering on the main loop.
///
/// A request is sent again as the page sent it, headers included, but only when it has no body: the
/// engine never tells a request's body, so GET and HEAD only; anything else fails. Redirects are
/// followed (to web addresses) and the body told is the final page's, in one piece, when it is
/// UTF-8 text. A final status other than 2xx is a failure, and so is a body past `kBodyLimit`,
/// which is not read further. Failures reach the delegate.
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
