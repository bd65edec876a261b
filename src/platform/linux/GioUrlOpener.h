#pragma once

#include <string>

#include "platform/SystemLog.h"
#include "platform/UrlOpener.h"

namespace headroom {

/// Opens web addresses with the desktop's default handler for their scheme
/// (g_app_info_launch_default_for_uri). Only http and https addresses are opened: any other
/// scheme could start a local program or open a local file. A refused address or a failed
/// launch is logged with the reason.
class GioUrlOpener final : public UrlOpener {
  public:
    explicit GioUrlOpener(SystemLog& log) : log_(log) {}
    void openURL(const std::string& url) override;

    /// Whether the address is of the http or https scheme (in any case of letters).
    static bool isWebAddress(const std::string& url);

  private:
    SystemLog& log_;
};

}  // namespace headroom
