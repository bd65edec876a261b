#include "ui/gtk/IndicatorStatusBar.h"

#include <utility>

#include "ui/gtk/IconFolder.h"
#include "ui/gtk/IndicatorStatusItem.h"
#include "ui/gtk/Resources.h"

namespace headroom {

IndicatorStatusBar::IndicatorStatusBar(std::string id, std::string title, RunLoop& runLoop,
                                       SystemLog& log, std::string resourcesDir,
                                       std::string runtimeBase)
    : id_(std::move(id)),
      title_(std::move(title)),
      runLoop_(runLoop),
      log_(log),
      resourcesDir_(std::move(resourcesDir)) {
    std::string error;
    folder_ = IconFolder::create(runtimeBase, error);
    if (!folder_) {
        log_.log("Cannot make a folder for the tray icons (" + error +
                 "); the tray shows a generic icon");
    }
}

IndicatorStatusBar::IndicatorStatusBar(std::string id, std::string title, RunLoop& runLoop,
                                       SystemLog& log)
    : IndicatorStatusBar(std::move(id), std::move(title), runLoop, log, resourcesDirectory(),
                         IconFolder::defaultBase()) {}

IndicatorStatusBar::~IndicatorStatusBar() = default;

std::unique_ptr<StatusItem> IndicatorStatusBar::statusItemWithLength(double /*length*/) {
    // The panel sizes the item to its content (and the label's guide); one id per item.
    ++itemsMade_;
    const std::string id = itemsMade_ == 1 ? id_ : id_ + "-" + std::to_string(itemsMade_);
    return std::make_unique<IndicatorStatusItem>(*this, id);
}

const SvgArtwork* IndicatorStatusBar::artwork(const std::string& name) {
    auto found = artwork_.find(name);
    if (found == artwork_.end()) {
        const std::string file = name + ".svg";
        std::optional<SvgArtwork> parsed;
        if (auto text = readResource(resourcesDir_, file, log_)) {
            parsed = parseSvgArtwork(*text);
            if (!parsed) {
                log_.log("The resource " + resourcesDir_ + "/" + file +
                         " is not an SVG image; going on without it");
            }
        }
        found = artwork_.emplace(name, std::move(parsed)).first;
    }
    return found->second ? &*found->second : nullptr;
}

}  // namespace headroom
