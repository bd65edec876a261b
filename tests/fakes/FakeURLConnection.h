#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CallJournal.h"
#include "platform/URLConnection.h"

namespace headroom::test {

/// Connections that send nothing. Every one made is kept on record, and while it is alive the
/// test plays its traffic to its delegate. Journal entries: "urlConnections.connectionWith
/// Request", "connection.start".
class FakeURLConnectionFactory final : public URLConnectionFactory, public Journaled {
  public:
    /// What became of one connection.
    struct Record {
        URLRequest request;
        URLConnectionDelegate* delegate = nullptr;
        URLConnection* live = nullptr;  ///< null once the connection is dropped
        bool started = false;
    };

    std::unique_ptr<URLConnection> connectionWithRequest(const URLRequest& request,
                                                         URLConnectionDelegate& delegate) override;

    std::size_t count() const { return records_.size(); }
    const Record& at(std::size_t index) const { return *records_.at(index); }
    /// The newest connection still alive, or null.
    URLConnection* latestLive() const;

    /// Plays a whole load on connection `index` (it must be alive): the request goes out, a 200
    /// response comes, then `body` in one piece, then the end.
    void deliver(std::size_t index, const std::string& body);
    /// Plays a redirect on connection `index`: the request goes out again to `to`.
    void redirect(std::size_t index, const std::string& to);
    void fail(std::size_t index, const std::string& error);

  private:
    class Connection;
    Record& alive(std::size_t index);

    std::vector<std::shared_ptr<Record>> records_;
};

}  // namespace headroom::test
