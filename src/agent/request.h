#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace vistrel::agent {

// What became of a queued request.
enum class RequestStatus { Pending, InProgress, Complete, Failed, Interrupted };

QString toString(RequestStatus status);

// A handle on one queued character request. Handles are cheap to copy and can be stored
// and compared: two handles are equal when they refer to the same request. A default-
// constructed handle refers to no request (the "Nothing" a script slot holds at first).
class Request {
  public:
    Request() = default;

    // Made only by a service implementation.
    static Request create(std::uint64_t id);

    bool isNull() const { return !d_; }
    explicit operator bool() const { return d_ != nullptr; }

    // The request's identity, unique within its service; 0 for a null handle.
    std::uint64_t id() const { return d_ ? d_->id : 0; }

    RequestStatus status() const { return d_ ? d_->status : RequestStatus::Failed; }
    void setStatus(RequestStatus status);

    // The number of the error, non-zero when the request failed; with its description.
    int number() const { return d_ ? d_->number : 0; }
    QString description() const { return d_ ? d_->description : QString(); }
    void fail(int number, const QString& description);

    friend bool operator==(const Request& a, const Request& b) { return a.d_ == b.d_; }

  private:
    struct Data {
        std::uint64_t id = 0;
        RequestStatus status = RequestStatus::Pending;
        int number = 0;
        QString description;
    };
    std::shared_ptr<Data> d_;
};

}  // namespace vistrel::agent
