#include "platform/linux/GlibRunLoop.h"

#include <glib.h>

#include <glibmm/main.h>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace headroom {

namespace {

// Far enough to mean "never" in practice, small enough that adding a few of them to the
// monotonic clock cannot overflow.
constexpr std::int64_t kFarMicroseconds = std::int64_t{1} << 60;

/// A duration in whole microseconds, rounded up so that nothing fires early; negative and NaN
/// durations are 0, huge ones are capped.
std::int64_t microsecondsAtLeast(double seconds) {
    if (!(seconds > 0.0)) {
        return 0;
    }
    const double micro = std::ceil(seconds * 1e6);
    return micro >= static_cast<double>(kFarMicroseconds) ? kFarMicroseconds
                                                          : static_cast<std::int64_t>(micro);
}

/// A moment on the monotonic clock in microseconds, rounded up.
std::int64_t momentMicroseconds(Seconds moment) {
    const double seconds = moment.count();
    if (std::isnan(seconds) || seconds <= 0.0) {
        return 0;
    }
    return microsecondsAtLeast(seconds);
}

/// GLib timeouts count milliseconds; 0 would fire on every turn, so the shortest is 1 ms.
guint timeoutMilliseconds(Seconds interval) {
    const double ms = std::round(interval.count() * 1000.0);
    if (!(ms >= 1.0)) {
        return 1;
    }
    constexpr double kMaximum = static_cast<double>(std::numeric_limits<guint>::max());
    return ms >= kMaximum ? std::numeric_limits<guint>::max() : static_cast<guint>(ms);
}

/// A source of ours: a GSource followed by the loop it serves. It has no prepare or check
/// function: it becomes ready when its ready time (g_source_set_ready_time) comes.
template <typename Owner>
struct OwnedSource {
    GSource source;
    Owner* owner;
};

template <typename Owner>
GSource* newOwnedSource(GSourceFuncs* funcs, Owner* owner, const char* name) {
    GSource* source = g_source_new(funcs, sizeof(OwnedSource<Owner>));
    reinterpret_cast<OwnedSource<Owner>*>(source)->owner = owner;
    g_source_set_name(source, name);
    g_source_set_ready_time(source, -1);
    return source;
}

template <typename Owner>
Owner* ownerOf(GSource* source) {
    return reinterpret_cast<OwnedSource<Owner>*>(source)->owner;
}

void destroySource(GSource*& source) {
    if (source != nullptr) {
        g_source_destroy(source);
        g_source_unref(source);
        source = nullptr;
    }
}

}  // namespace

namespace detail {

class GlibTimer;

/// Everything the loop holds; its sources point at it.
struct GlibLoopState {
    GlibLoopState();
    ~GlibLoopState();

    static gboolean dispatchDelayed(GSource* source, GSourceFunc, gpointer) noexcept;
    static gboolean dispatchQueue(GSource* source, GSourceFunc, gpointer) noexcept;
    static gboolean dispatchWake(GSource* source, GSourceFunc, gpointer) noexcept;

    void updateDelayedReadyTime();

    GMainContext* context = nullptr;  // the default context; not owned

    // Default-mode work, keyed by (due time in µs, submission number).
    std::map<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> delayed;
    std::uint64_t nextSubmission = 0;
    GSource* delayedSource = nullptr;
    bool tracking = false;

    // The main queue, keyed by submission number; the only state shared with other threads.
    std::mutex queueMutex;
    std::deque<std::pair<std::uint64_t, std::function<void()>>> queue;
    std::uint64_t nextQueued = 0;
    GSource* queueSource = nullptr;

    // Every valid timer, held by the loop until invalidated.
    std::unordered_map<const GlibTimer*, std::shared_ptr<GlibTimer>> timers;

    Glib::RefPtr<Glib::MainLoop> mainLoop;
    bool quitRequested = false;
};

/// A repeating timer on a GLib timeout source.
class GlibTimer final : public Timer, public std::enable_shared_from_this<GlibTimer> {
  public:
    GlibTimer(GlibLoopState* loop, Seconds interval, std::function<void()> fire)
        : loop_(loop), interval_(interval), fire_(std::move(fire)) {}

    ~GlibTimer() override { destroySource(source_); }

    void start(GMainContext* context) {
        source_ = g_timeout_source_new(timeoutMilliseconds(interval_));
        g_source_set_name(source_, "headroom repeating timer");
        // The source never outlives the timer: it is destroyed before the loop lets go.
        g_source_set_callback(source_, &GlibTimer::fired, this, nullptr);
        g_source_attach(source_, context);
    }

    void invalidate() override {
        if (!valid_) {
            return;
        }
        valid_ = false;
        destroySource(source_);
        if (!firing_) {
            fire_ = nullptr;  // releases what the callback holds; deferred while it runs
        }
        if (loop_ != nullptr) {
            const auto keep = shared_from_this();  // the loop's reference may be the last
            loop_->timers.erase(this);
            loop_ = nullptr;
        }
    }

    bool isValid() const override { return valid_; }
    Seconds interval() const override { return interval_; }

    /// The loop is going away: stop without touching it.
    void detach() {
        loop_ = nullptr;
        invalidate();
    }

  private:
    static gboolean fired(gpointer data) noexcept {
        auto* timer = static_cast<GlibTimer*>(data);
        // Hold the timer for the length of the call: the callback may invalidate it, and the
        // loop's reference may be the only one.
        const auto self = timer->shared_from_this();
        if (!self->valid_) {
            return G_SOURCE_REMOVE;
        }
        self->firing_ = true;
        self->fire_();
        self->firing_ = false;
        if (!self->valid_) {
            self->fire_ = nullptr;
            return G_SOURCE_REMOVE;
        }
        return G_SOURCE_CONTINUE;
    }

    GlibLoopState* loop_;
    Seconds interval_;
    std::function<void()> fire_;
    GSource* source_ = nullptr;
    bool valid_ = true;
    bool firing_ = false;
};

}  // namespace detail

namespace {

using detail::GlibLoopState;

// GLib keeps pointers to these for the sources' lifetimes.
GSourceFuncs delayedFuncs = {nullptr, nullptr, &GlibLoopState::dispatchDelayed,
                             nullptr, nullptr, nullptr};
GSourceFuncs queueFuncs = {nullptr, nullptr, &GlibLoopState::dispatchQueue,
                           nullptr, nullptr, nullptr};
GSourceFuncs wakeFuncs = {nullptr, nullptr, &GlibLoopState::dispatchWake,
                          nullptr, nullptr, nullptr};

}  // namespace

GlibLoopState::GlibLoopState() : context(g_main_context_default()) {
    delayedSource = newOwnedSource(&delayedFuncs, this, "headroom delayed work");
    // Delayed work may run inside a nested runUntil of other delayed work.
    g_source_set_can_recurse(delayedSource, TRUE);
    g_source_attach(delayedSource, context);

    // Main-queue work too may run inside a nested runUntil of other main-queue work: a menu
    // command queued while a long command turns the loop is handled at once, not after it.
    queueSource = newOwnedSource(&queueFuncs, this, "headroom main queue");
    g_source_set_can_recurse(queueSource, TRUE);
    g_source_attach(queueSource, context);
}

GlibLoopState::~GlibLoopState() {
    destroySource(delayedSource);
    destroySource(queueSource);
    auto remaining = std::move(timers);
    timers.clear();
    for (auto& [key, timer] : remaining) {
        timer->detach();
    }
}

void GlibLoopState::updateDelayedReadyTime() {
    if (delayedSource == nullptr) {
        return;
    }
    // A due time already past makes the source ready on the next turn.
    g_source_set_ready_time(delayedSource,
                            tracking || delayed.empty() ? -1 : delayed.begin()->first.first);
}

gboolean GlibLoopState::dispatchDelayed(GSource* source, GSourceFunc, gpointer) noexcept {
    GlibLoopState* impl = ownerOf<GlibLoopState>(source);
    const std::int64_t now = g_get_monotonic_time();
    // Work submitted from here on waits for a later turn, even when due at once.
    const std::uint64_t submittedBefore = impl->nextSubmission;
    while (!impl->tracking && !impl->delayed.empty()) {
        const auto first = impl->delayed.begin();
        if (first->first.first > now || first->first.second >= submittedBefore) {
            break;
        }
        // Taken out before it runs: a nested turn inside it sees only the rest.
        auto node = impl->delayed.extract(first);
        node.mapped()();
    }
    impl->updateDelayedReadyTime();
    return G_SOURCE_CONTINUE;
}

gboolean GlibLoopState::dispatchQueue(GSource* source, GSourceFunc, gpointer) noexcept {
    GlibLoopState* impl = ownerOf<GlibLoopState>(source);
    std::unique_lock lock(impl->queueMutex);
    // Work queued from here on waits for a later turn.
    const std::uint64_t queuedBefore = impl->nextQueued;
    while (!impl->queue.empty() && impl->queue.front().first < queuedBefore) {
        // Taken out before it runs: a nested turn inside it sees only the rest.
        std::function<void()> work = std::move(impl->queue.front().second);
        impl->queue.pop_front();
        lock.unlock();
        work();
        lock.lock();
    }
    g_source_set_ready_time(source, impl->queue.empty() ? -1 : 0);
    return G_SOURCE_CONTINUE;
}

gboolean GlibLoopState::dispatchWake(GSource* source, GSourceFunc, gpointer) noexcept {
    // Its only job was to end the wait of runUntil at the moment.
    g_source_set_ready_time(source, -1);
    return G_SOURCE_CONTINUE;
}

GlibRunLoop::GlibRunLoop() : impl_(std::make_unique<GlibLoopState>()) {}

GlibRunLoop::~GlibRunLoop() = default;

Seconds GlibRunLoop::now() const {
    return Seconds(static_cast<double>(g_get_monotonic_time()) / 1e6);
}

std::shared_ptr<Timer> GlibRunLoop::addRepeatingTimer(Seconds interval,
                                                      std::function<void()> fire) {
    auto timer = std::make_shared<detail::GlibTimer>(impl_.get(), interval, std::move(fire));
    impl_->timers.emplace(timer.get(), timer);
    timer->start(impl_->context);
    return timer;
}

void GlibRunLoop::performAfterDelay(Seconds delay, std::function<void()> work) {
    const std::int64_t due = g_get_monotonic_time() + microsecondsAtLeast(delay.count());
    impl_->delayed.emplace(std::make_pair(due, impl_->nextSubmission++), std::move(work));
    impl_->updateDelayedReadyTime();
}

void GlibRunLoop::dispatchToMainQueue(std::function<void()> work) {
    std::lock_guard lock(impl_->queueMutex);
    impl_->queue.emplace_back(impl_->nextQueued++, std::move(work));
    g_source_set_ready_time(impl_->queueSource, 0);  // wakes the context if it waits
}

void GlibRunLoop::runUntil(Seconds moment) {
    const std::int64_t target = momentMicroseconds(moment);
    GSource* wake = newOwnedSource(&wakeFuncs, impl_.get(), "headroom runUntil");
    g_source_set_ready_time(wake, target);
    g_source_attach(wake, impl_->context);
    do {
        g_main_context_iteration(impl_->context, TRUE);
    } while (g_get_monotonic_time() < target);
    destroySource(wake);
}

void GlibRunLoop::setTracking(bool tracking) {
    impl_->tracking = tracking;
    impl_->updateDelayedReadyTime();
}

bool GlibRunLoop::isTracking() const {
    return impl_->tracking;
}

void GlibRunLoop::run() {
    if (impl_->quitRequested) {
        impl_->quitRequested = false;
        return;
    }
    if (!impl_->mainLoop) {
        impl_->mainLoop = Glib::MainLoop::create(false);
    }
    impl_->mainLoop->run();
    impl_->quitRequested = false;
}

void GlibRunLoop::quit() {
    if (impl_->mainLoop && impl_->mainLoop->is_running()) {
        impl_->mainLoop->quit();
    } else {
        impl_->quitRequested = true;
    }
}

}  // namespace headroom
