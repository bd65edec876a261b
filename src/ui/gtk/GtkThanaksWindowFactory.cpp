#include "ui/gtk/GtkThanaksWindowFactory.h"

#include <glibmm/convert.h>
#include <glibmm/fileutils.h>
#include <glibmm/miscutils.h>

#include "ui/gtk/GtkThanaksWindow.h"
#include "ui/gtk/Resources.h"
#include "welcome/WelcomeRules.h"

namespace headroom {

std::unique_ptr<ThanaksWindow> GtkThanaksWindowFactory::loadWindowNib(const std::string& nibName) {
    const std::string file = Glib::build_filename(resourcesDir_, nibName + ".ui");
    if (!Glib::file_test(file, Glib::FILE_TEST_IS_REGULAR)) {
        log_.log("Cannot load the welcome window: " + file + " is missing; it is not shown");
        return nullptr;
    }
    return GtkThanaksWindow::load(file, log_);
}

std::optional<ResourcePage> GtkThanaksWindowFactory::pageForResource(const std::string& page) {
    const std::string path =
        Glib::path_is_absolute(page) ? page : Glib::build_filename(resourcesDir_, page);
    auto text = readResource(Glib::path_get_dirname(path), Glib::path_get_basename(path), log_);
    if (!text) {
        return std::nullopt;
    }
    if (!isValidUtf8(*text)) {
        log_.log("The page " + path + " is not UTF-8 text; going on without it");
        return std::nullopt;
    }
    try {
        return ResourcePage{Glib::filename_to_uri(path), std::move(*text)};
    } catch (const Glib::Error& error) {
        log_.log("The page " + path + " has no file address (" + error.what().raw() +
                 "); going on without it");
        return std::nullopt;
    }
}

}  // namespace headroom
