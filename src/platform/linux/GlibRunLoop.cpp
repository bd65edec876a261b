#include "platform/linux/GlibRunLoop.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace headroom {

namespace {

/// Whole milliseconds for a GLib timeout, rounded up so that nothing runs early; at least 1 so
/// that a timer cannot fire on every turn.
guint milliseconds(Seconds duration) {
    const double ms = std::ceil(duration.count() * 1000.0);
    constexpr double kLongest = std::numeric_limits<guint>::max();
    return !(ms >= 1.0)     ? 1
           : ms >= kLongest ? std::numeric_limits<guint>::max()
                            : static_cast<guint>(ms);
}

struct Callback {
    std::function<void()> work;
    bool repeats;
};

gboolean runCallback(gpointer data) {
    auto* callback = static_cast<Callback*>(data);
    callback->work();
    return callback->repeats ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

// GLib keeps the callback alive while it runs, also when the source is destroyed inside it.
void deleteCallback(gpointer data) {
    delete static_cast<Callback*>(data);
}

/// A source that only ends the wait of the turn made at its ready time.
GSourceFuncs wakeFuncs = {
    nullptr, nullptr, [](GSource*, GSourceFunc, gpointer) -> gboolean {
                              return G_SOURCE_REMOVE; },
    nullptr, nullptr, nullptr};

/// A repeating timer is its timeout source: valid until the source is destroyed.
class GlibTimer final : public Timer {
  public:
    explicit GlibTimer(GSource* source) : source_(g_source_ref(source)) {}
    ~GlibTimer() override { g_source_unref(source_); }
    GlibTimer(const GlibTimer&) = delete;
    GlibTimer& operator=(const GlibTimer&) = delete;

    void invalidate() override { g_source_destroy(source_); }
    bool isValid() const override { return g_source_is_destroyed(source_) == FALSE; }

  private:
    GSource* source_;
};

}  // namespace

GlibRunLoop::~GlibRunLoop() {
    for (GSource* source : sources_) {
        g_source_destroy(source);
        g_source_unref(source);
    }
}

GSource* GlibRunLoop::attach(GSource* source, std::function<void()> work, bool repeats) {
    std::erase_if(sources_, [](GSource* done) {
        const bool destroyed = g_source_is_destroyed(done) != FALSE;
        if (destroyed) {
            g_source_unref(done);
        }
        return destroyed;
    });
    g_source_set_callback(source, runCallback, new Callback{std::move(work), repeats},
                          deleteCallback);
    g_source_attach(source, nullptr);
    sources_.push_back(source);
    return source;
}

Seconds GlibRunLoop::now() const {
    return Seconds(static_cast<double>(g_get_monotonic_time()) / 1e6);
}

std::shared_ptr<Timer> GlibRunLoop::addRepeatingTimer(Seconds interval,
                                                      std::function<void()> fire) {
    GSource* source = g_timeout_source_new(milliseconds(interval));
    return std::make_shared<GlibTimer>(attach(source, std::move(fire), true));
}

void GlibRunLoop::performAfterDelay(Seconds delay, std::function<void()> work) {
    GSource* source = g_timeout_source_new(delay.count() > 0.0 ? milliseconds(delay) : 0);
    attach(
        source,
        [this, work = std::move(work)]() mutable {
            if (tracking_) {
                held_.push_back(std::move(work));
            } else {
                work();
            }
        },
        false);
}

void GlibRunLoop::dispatchToMainQueue(std::function<void()> work) {
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    attach(source, std::move(work), false);
}

void GlibRunLoop::runUntil(Seconds moment) {
    // Rounded up to the microsecond; a moment before the clock's start (or NaN) is past.
    const double micro = std::ceil(moment.count() * 1e6);
    const gint64 target = micro > 0.0 ? static_cast<gint64>(std::min(micro, 9e18)) : 0;
    g_autoptr(GSource) wake = g_source_new(&wakeFuncs, sizeof(GSource));
    g_source_set_ready_time(wake, target);
    g_source_attach(wake, nullptr);
    // At least one turn, without waiting when the moment has passed.
    do {
        g_main_context_iteration(nullptr, TRUE);
    } while (g_get_monotonic_time() < target);
    g_source_destroy(wake);
}

void GlibRunLoop::setTracking(bool tracking) {
    tracking_ = tracking;
    if (!tracking) {
        // Due already: they run on the next turn, in the order they fell due.
        for (auto& work : std::exchange(held_, {})) {
            performAfterDelay(Seconds(0), std::move(work));
        }
    }
}

void GlibRunLoop::run() {
    while (!quit_) {
        g_main_context_iteration(nullptr, TRUE);
    }
    quit_ = false;
}

void GlibRunLoop::quit() {
    quit_ = true;
    g_main_context_wakeup(nullptr);
}

}  // namespace headroom
