#include "FakeURLConnection.h"

#include <stdexcept>
#include <utility>

namespace headroom::test {

class FakeURLConnectionFactory::Connection final : public URLConnection {
  public:
    Connection(std::shared_ptr<Record> record, const FakeURLConnectionFactory& factory)
        : record_(std::move(record)), factory_(factory) {
        record_->live = this;
    }
    ~Connection() override { record_->live = nullptr; }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void start() override {
        factory_.note("connection.start");
        record_->started = true;
    }

  private:
    std::shared_ptr<Record> record_;
    const FakeURLConnectionFactory& factory_;
};

std::unique_ptr<URLConnection> FakeURLConnectionFactory::connectionWithRequest(
    const URLRequest& request, URLConnectionDelegate& delegate) {
    note("urlConnections.connectionWithRequest");
    auto record = std::make_shared<Record>();
    record->request = request;
    record->delegate = &delegate;
    records_.push_back(record);
    return std::make_unique<Connection>(record, *this);
}

URLConnection* FakeURLConnectionFactory::latestLive() const {
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        if ((*it)->live != nullptr) {
            return (*it)->live;
        }
    }
    return nullptr;
}

FakeURLConnectionFactory::Record& FakeURLConnectionFactory::alive(std::size_t index) {
    Record& record = *records_.at(index);
    if (record.live == nullptr || !record.started) {
        throw std::logic_error("connection " + std::to_string(index) + " is not running");
    }
    return record;
}

void FakeURLConnectionFactory::deliver(std::size_t index, const std::string& body) {
    Record& record = alive(index);
    URLConnection& connection = *record.live;
    record.delegate->willSendRequest(connection, record.request, std::nullopt);
    record.delegate->didReceiveResponse(connection, URLResponse{record.request.url, 200});
    record.delegate->didReceiveData(connection, body);
    record.delegate->connectionDidFinishLoading(connection);
}

void FakeURLConnectionFactory::redirect(std::size_t index, const std::string& to) {
    Record& record = alive(index);
    URLRequest next = record.request;
    next.url = to;
    record.delegate->willSendRequest(*record.live, next, URLResponse{record.request.url, 302});
}

void FakeURLConnectionFactory::fail(std::size_t index, const std::string& error) {
    Record& record = alive(index);
    record.delegate->didFailWithError(*record.live, error);
}

}  // namespace headroom::test
