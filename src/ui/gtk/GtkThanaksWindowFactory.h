#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/SystemLog.h"
#include "platform/ThanaksWindow.h"

namespace headroom {

/// The welcome window from `<nib>.ui` in the resources folder, and its pages from the same
/// folder (or from an absolute path).
class GtkThanaksWindowFactory final : public ThanaksWindowFactory {
  public:
    GtkThanaksWindowFactory(std::string resourcesDir, SystemLog& log)
        : resourcesDir_(std::move(resourcesDir)), log_(log) {}

    std::unique_ptr<ThanaksWindow> loadWindowNib(const std::string& nibName) override;
    std::optional<ResourcePage> pageForResource(const std::string& page) override;

  private:
    std::string resourcesDir_;
    SystemLog& log_;
};

}  // namespace headroom
