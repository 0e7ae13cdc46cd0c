#include "platform/Deferred.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quadrell {

namespace {

struct Queued {
  const void* key;
  std::function<void()> call;
};

std::vector<Queued>& Queue() {
  static std::vector<Queued> queue;
  return queue;
}

std::function<void()>& Waker() {
  static std::function<void()> waker;
  return waker;
}

bool gWakePending = false;

}  // namespace

void RunSoon(const void* key, std::function<void()> call) {
  auto& queue = Queue();
  if (std::any_of(queue.begin(), queue.end(), [&](const Queued& q) { return q.key == key; })) return;
  queue.push_back({key, std::move(call)});
  if (!gWakePending && Waker()) {
    gWakePending = true;
    Waker()();
  }
}

void CancelSoon(const void* key) {
  std::erase_if(Queue(), [&](const Queued& q) { return q.key == key; });
}

void RunQueuedCalls() {
  gWakePending = false;
  // A call may queue or cancel others: take them one at a time from the front.
  auto& queue = Queue();
  while (!queue.empty()) {
    Queued next = std::move(queue.front());
    queue.erase(queue.begin());
    next.call();
  }
}

bool HasQueuedCalls() { return !Queue().empty(); }

void SetQueueWaker(std::function<void()> waker) {
  Waker() = std::move(waker);
  gWakePending = false;
}

}  // namespace quadrell
