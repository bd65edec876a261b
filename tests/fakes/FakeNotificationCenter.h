#pragma once

#include <string>
#include <vector>

#include "CallJournal.h"
#include "platform/NotificationCenter.h"

namespace headroom::test {

/// Keeps every notice posted, in order; nothing is delivered.
class FakeNotificationCenter final : public NotificationCenter, public Journaled {
  public:
    struct Post {
        std::string name;
        std::string object;
        friend bool operator==(const Post&, const Post&) = default;
    };

    void postNotification(const std::string& name, const std::string& object) override {
        note("notifications.post");
        posts_.push_back(Post{name, object});
    }

    const std::vector<Post>& posts() const { return posts_; }

  private:
    std::vector<Post> posts_;
};

}  // namespace headroom::test
