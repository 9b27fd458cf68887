#include "engine/requestqueue.h"

#include "log/log.h"

namespace vistrel::engine {

using agent::RequestStatus;

RequestQueue::RequestQueue(QString owner, Ended ended)
    : owner_(std::move(owner)), ended_(std::move(ended)) {}

void RequestQueue::push(Job job) {
    queue_.push_back(std::move(job));
}

Job& RequestQueue::startNext() {
    running_ = std::move(queue_.front());
    queue_.pop_front();
    running_->request.setStatus(RequestStatus::InProgress);
    qCDebug(log::engine).noquote() << "request" << running_->request.id() << "of" << owner_
                                   << "started:" << describe(running_->work);
    return *running_;
}

void RequestQueue::endRunning(RequestStatus status, const QString& why) {
    if (!running_)
        return;
    // Out of the queue before anyone hears of it: a listener may queue or stop requests here.
    Job job = std::move(*running_);
    running_.reset();
    end(job, status, why);
}

bool RequestQueue::endWaiting(const agent::Request& request, RequestStatus status) {
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->request == request) {
            Job job = std::move(*it);
            queue_.erase(it);
            end(job, status, {});
            return true;
        }
    }
    return false;
}

std::vector<Job> RequestQueue::takeWaitingIf(const std::function<bool(const Job&)>& matches) {
    std::deque<Job> kept;
    std::vector<Job> taken;
    for (Job& job : queue_) {
        if (matches(job))
            taken.push_back(std::move(job));
        else
            kept.push_back(std::move(job));
    }
    queue_ = std::move(kept);
    return taken;
}

void RequestQueue::end(std::vector<Job>& taken, RequestStatus status) {
    for (Job& job : taken)
        end(job, status, {});
    taken.clear();
}

void RequestQueue::failAll(const QString& why) {
    std::deque<Job> queue = std::move(queue_);
    queue_.clear();
    endRunning(RequestStatus::Failed, why);
    for (Job& job : queue)
        end(job, RequestStatus::Failed, why);
}

void RequestQueue::end(Job& job, RequestStatus status, const QString& why) {
    if (status == RequestStatus::Failed) {
        job.request.fail(1, why.isEmpty() ? QStringLiteral("The request failed") : why);
        qCDebug(log::engine).noquote() << "request" << job.request.id() << "of" << owner_
                                       << "failed:" << job.request.description();
    } else {
        job.request.setStatus(status);
        qCDebug(log::engine).noquote() << "request" << job.request.id() << "of" << owner_
                                       << "ended:" << agent::toString(status);
    }
    if (ended_)
        ended_(job.request);
}

}  // namespace vistrel::engine
