#include "agent/request.h"

namespace vistrel::agent {

QString toString(RequestStatus status) {
    switch (status) {
        case RequestStatus::Pending:
            return QStringLiteral("pending");
        case RequestStatus::InProgress:
            return QStringLiteral("in progress");
        case RequestStatus::Complete:
            return QStringLiteral("complete");
        case RequestStatus::Failed:
            return QStringLiteral("failed");
        case RequestStatus::Interrupted:
            return QStringLiteral("interrupted");
    }
    return {};
}

Request Request::create(std::uint64_t id) {
    Request r;
    r.d_ = std::make_shared<Data>();
    r.d_->id = id;
    return r;
}

void Request::setStatus(RequestStatus status) {
    if (d_)
        d_->status = status;
}

void Request::fail(int number, const QString& description) {
    if (!d_)
        return;
    d_->status = RequestStatus::Failed;
    d_->number = number;
    d_->description = description;
}

}  // namespace vistrel::agent
