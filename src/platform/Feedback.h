#pragma once

namespace headroom {

/// The feedback component's rating flow: it asks whether the user enjoys the application and
/// leads to where it can be rated or improved. The program reads no result from it.
class Feedback {
  public:
    virtual ~Feedback() = default;
    virtual void showEnjoymentDialog() = 0;
};

}  // namespace headroom
