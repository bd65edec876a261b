#include "platform/linux/ThanaksWindowProcess.h"

#include <csignal>
#include <utility>

#include "platform/linux/ExecutableFolder.h"

namespace headroom {

namespace {

/// One program's standard output, read line by line until its end.
struct Reading {
    GDataInputStream* lines;
    GCancellable* cancellable;
    ThanaksWindows::HandedBack handedBack;

    void next() {
        g_data_input_stream_read_line_async(lines, G_PRIORITY_DEFAULT, cancellable, &lineRead,
                                            this);
    }

    static void lineRead(GObject* source, GAsyncResult* result, gpointer data) {
        auto* self = static_cast<Reading*>(data);
        gsize length = 0;
        g_autofree gchar* line = g_data_input_stream_read_line_finish(G_DATA_INPUT_STREAM(source),
                                                                      result, &length, nullptr);
        if (line == nullptr) {  // its end, or cancelled: the owner may have gone
            g_object_unref(self->lines);
            g_object_unref(self->cancellable);
            delete self;
            return;
        }
        self->handedBack(std::string_view(line, length));
        self->next();
    }
};

}  // namespace

ThanaksWindowProcess::~ThanaksWindowProcess() {
    closeShown();
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
}

void ThanaksWindowProcess::closeShown() {
    if (shown_ != nullptr) {
        // Nothing happens to a program that has ended already.
        g_subprocess_send_signal(shown_, SIGTERM);
        g_clear_object(&shown_);
    }
}

void ThanaksWindowProcess::showThanksWindow(const std::string& promoPageURL,
                                            const std::string& subscriptionPage,
                                            HandedBack handedBack) {
    closeShown();
    const std::string folder = executableFolder();
    const std::string program = (folder.empty() ? std::string(".") : folder) + "/headroom-welcome";
    g_autoptr(GError) error = nullptr;
    shown_ = g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, &error, program.c_str(), "--promo",
                              promoPageURL.c_str(), "--page", subscriptionPage.c_str(), nullptr);
    if (shown_ == nullptr) {
        log_.log("Cannot show the welcome window: " + program + " does not start (" +
                 error->message + ")");
        return;
    }
    auto* reading = new Reading{g_data_input_stream_new(g_subprocess_get_stdout_pipe(shown_)),
                                G_CANCELLABLE(g_object_ref(cancellable_)), std::move(handedBack)};
    reading->next();
}

}  // namespace headroom
