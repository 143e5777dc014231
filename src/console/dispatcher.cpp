#include "console/dispatcher.h"

#include <algorithm>
#include <utility>

namespace zeb {

void Dispatcher::Call(const std::function<void()>& task) {
  if (OnOwnerThread()) {
    task();
    return;
  }
  auto done = std::make_shared<bool>(false);
  auto error = std::make_shared<std::exception_ptr>();
  std::unique_lock<std::mutex> lock(mutex_);
  tasks_.push_back({task, Clock::now(), done, error});
  // The owner waits only on an empty queue: a task behind others needs no wake-up of its own.
  if (tasks_.size() == 1) queued_.notify_all();
  lock.unlock();
  Queued();
  lock.lock();
  finished_.wait(lock, [&] { return *done; });
  if (*error) std::rethrow_exception(*error);
}

void Dispatcher::Post(std::function<void()> task) { Enqueue(std::move(task), true); }

void Dispatcher::PostQuietly(std::function<void()> task) { Enqueue(std::move(task), false); }

void Dispatcher::Enqueue(std::function<void()> task, bool wake_owner) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back({std::move(task), Clock::now(), nullptr, nullptr});
    if (wake_owner && tasks_.size() == 1) queued_.notify_all();
  }
  Queued();
}

void Dispatcher::SetWakeHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  has_wake_hook_ = static_cast<bool>(hook);
  wake_hook_ = std::move(hook);
}

void Dispatcher::Queued() {
  if (!has_wake_hook_.load()) return;
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    hook = wake_hook_;
  }
  if (hook) hook();
}

void Dispatcher::RecordLatencies(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  record_latencies_ = on;
}

std::vector<Dispatcher::Clock::duration> Dispatcher::TakeLatencies() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(latencies_, {});
}

void Dispatcher::RunTask(Task& task, std::unique_lock<std::mutex>& lock) {
  if (record_latencies_) latencies_.push_back(Clock::now() - task.queued_at);
  lock.unlock();
  try {
    task.run();
  } catch (...) {
    if (task.error) *task.error = std::current_exception();
  }
  lock.lock();
  if (task.done) {
    *task.done = true;
    finished_.notify_all();
  }
}

void Dispatcher::RunUntil(Clock::time_point until) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    if (wake_) {
      wake_ = false;
      return;
    }
    if (!tasks_.empty()) {
      Task task = std::move(tasks_.front());
      tasks_.pop_front();
      RunTask(task, lock);
      continue;
    }
    const Clock::time_point now = Clock::now();
    if (now >= until) return;
    queued_.wait_until(lock, std::min(until, now + kQuietPostDelay));
  }
}

void Dispatcher::RunPending() {
  std::unique_lock<std::mutex> lock(mutex_);
  std::size_t n = tasks_.size();
  while (n-- > 0 && !tasks_.empty()) {
    Task task = std::move(tasks_.front());
    tasks_.pop_front();
    RunTask(task, lock);
  }
}

void Dispatcher::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_ = true;
    queued_.notify_all();
  }
  Queued();
}

}  // namespace zeb
