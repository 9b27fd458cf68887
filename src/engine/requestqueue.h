#pragma once

// The requests of one character: those waiting, in order, and the one running. It keeps
// their statuses and reports each request that ends, so that every request ends exactly
// once, whichever way it goes.

#include "engine/requests.h"

#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace vistrel::engine {

class RequestQueue {
  public:
    using Ended = std::function<void(const agent::Request&)>;

    // `owner` names the character in the log; `ended` hears of every request that ends.
    RequestQueue(QString owner, Ended ended);

    void push(Job job);

    bool waiting() const { return !queue_.empty(); }
    const Job& next() const { return queue_.front(); }
    // The running request, or null.
    Job* running() { return running_ ? &*running_ : nullptr; }
    const Job* running() const { return running_ ? &*running_ : nullptr; }
    bool isRunning(const agent::Request& request) const {
        return running_ && running_->request == request;
    }

    // Takes the next waiting request and runs it: its status becomes InProgress.
    Job& startNext();
    // Ends the running request, if any. A failure carries `why` (or a general reason).
    void endRunning(agent::RequestStatus status, const QString& why = {});
    // Ends a waiting request; false when it is not waiting here.
    bool endWaiting(const agent::Request& request, agent::RequestStatus status);
    // Takes every waiting request `matches` picks out of the queue, in queue order; the others
    // keep their order. They still have to be ended, with end().
    std::vector<Job> takeWaitingIf(const std::function<bool(const Job&)>& matches);
    void end(std::vector<Job>& taken, agent::RequestStatus status);
    // Fails the running request and every waiting one, with `why`.
    void failAll(const QString& why);

  private:
    void end(Job& job, agent::RequestStatus status, const QString& why);

    QString owner_;
    Ended ended_;
    std::deque<Job> queue_;
    std::optional<Job> running_;
};

}  // namespace vistrel::engine
