#pragma once

namespace headroom {

/// The collection behaviour that shows a window on every workspace of the desktop.
inline constexpr unsigned kWindowCollectionBehaviorCanJoinAllSpaces = 1;

/// A top-level window, with the calls by which its controller's owner shows it.
class Window {
  public:
    virtual ~Window() = default;
    virtual void setCollectionBehavior(unsigned behavior) = 0;
    /// Shows the window in front of the others, with the keyboard focus.
    virtual void makeKeyAndOrderFront() = 0;
};

}  // namespace headroom
