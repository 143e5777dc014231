// Runs work on one owner thread for others: the stand-in for "synchronise with the GUI thread".
//
// Call() runs a function on the owner thread and waits until it has run; Post() queues it and
// returns at once. Tasks run one at a time, in the order they were queued, so a thread's posts
// and calls keep their order. The owner thread runs them inside RunUntil(); a call made on the
// owner thread itself runs at once. An exception thrown by a called task reaches the caller;
// one thrown by a posted task is dropped, so neither can leave the owner's loop.
//
// An owner with an event loop of its own (a window) sets a wake hook instead of sitting in
// RunUntil: the hook is called, on the queuing thread, whenever work is queued or Wake() is
// called, and the owner answers it by calling RunPending() on its own thread.
#ifndef ZEB_CONSOLE_DISPATCHER_H_
#define ZEB_CONSOLE_DISPATCHER_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zeb {

class Dispatcher {
 public:
  using Clock = std::chrono::steady_clock;

  // The thread that constructs the dispatcher owns it.
  Dispatcher() : owner_(std::this_thread::get_id()) {}
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }
  // Makes the calling thread the owner (for a dispatcher handed to another thread).
  void TakeOwnership() { owner_ = std::this_thread::get_id(); }

  void Call(const std::function<void()>& task);
  void Post(std::function<void()> task);
  // As Post, for notices that only feed the display: queued in order with the other tasks, but
  // waking no waiting owner; a RunUntil gets to them within kQuietPostDelay. An event-loop
  // owner's hook is still called, so a window's progress does not wait.
  void PostQuietly(std::function<void()> task);
  static constexpr std::chrono::milliseconds kQuietPostDelay{10};

  // Owner thread: runs queued tasks until `until`, or until Wake() is called. It looks at the
  // queue at least every kQuietPostDelay, for the quiet posts.
  void RunUntil(Clock::time_point until);
  // Owner thread: runs the tasks queued now, without waiting.
  void RunPending();
  // Makes a RunUntil in progress return (after the task it is running), and calls the hook.
  void Wake();

  // The hook that tells an event-loop owner there is work; it must be cheap and safe to call
  // from any thread, and must not call the dispatcher. An empty function removes it.
  void SetWakeHook(std::function<void()> hook);

  // Measures how long each task waited between being queued and starting to run.
  void RecordLatencies(bool on);
  std::vector<Clock::duration> TakeLatencies();

 private:
  struct Task {
    std::function<void()> run;
    Clock::time_point queued_at;
    std::shared_ptr<bool> done;  // set when a waiting caller may go on; null for posts
    std::shared_ptr<std::exception_ptr> error;  // what the task threw, for its caller
  };
  void RunTask(Task& task, std::unique_lock<std::mutex>& lock);
  // Queues a post; wake_owner: a waiting owner is woken when the queue was empty.
  void Enqueue(std::function<void()> task, bool wake_owner);

  std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  void Queued();

  std::deque<Task> tasks_;  // Guarded by mutex_
  bool wake_ = false;       // Guarded by mutex_
  bool record_latencies_ = false;          // Guarded by mutex_
  std::vector<Clock::duration> latencies_;  // Guarded by mutex_
  std::function<void()> wake_hook_;  // Guarded by mutex_
  std::atomic<bool> has_wake_hook_{false};  // lets a headless run's posts skip the hook's lock
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_DISPATCHER_H_
