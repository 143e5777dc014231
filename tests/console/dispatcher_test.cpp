// The dispatcher that stands in for the GUI thread: calls and posts run on the owner in order,
// RunUntil's time and Wake, the wake hook of an owner with its own event loop, and exceptions.
#include "console/dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zeb {
namespace {

using namespace std::chrono_literals;

TEST(DispatcherTest, CallRunsOnTheOwnerAndWaitsPostsKeepTheirOrder) {
  Dispatcher dispatcher;
  const std::thread::id owner = std::this_thread::get_id();
  std::vector<int> order;
  std::atomic<bool> done{false};
  std::thread::id ran_on;
  std::thread worker([&] {
    dispatcher.Post([&] { order.push_back(1); });
    dispatcher.Post([&] { order.push_back(2); });
    dispatcher.Call([&] {
      ran_on = std::this_thread::get_id();
      order.push_back(3);
    });
    // Call returned: its task has run.
    EXPECT_EQ(order.size(), 3u);
    done = true;
  });
  while (!done) dispatcher.RunUntil(Dispatcher::Clock::now() + 5ms);
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(ran_on, owner);

  int inline_calls = 0;
  dispatcher.Call([&] { ++inline_calls; });  // on the owner: at once
  EXPECT_EQ(inline_calls, 1);
}

TEST(DispatcherTest, RunUntilReturnsAtItsTimeOrOnWake) {
  Dispatcher dispatcher;
  auto start = Dispatcher::Clock::now();
  dispatcher.RunUntil(start + 30ms);
  EXPECT_GE(Dispatcher::Clock::now() - start, 30ms);

  start = Dispatcher::Clock::now();
  dispatcher.Post([&] { dispatcher.Wake(); });
  dispatcher.RunUntil(start + 10s);
  EXPECT_LT(Dispatcher::Clock::now() - start, 5s);
}

// Display notices are posted quietly: they wake no waiting owner, keep their place among the
// other tasks, and still run within a short while of a long RunUntil, without ending it.
TEST(DispatcherTest, QuietPostsKeepTheirOrderAndRunWithinTheirDelay) {
  Dispatcher dispatcher;
  std::vector<int> order;
  std::atomic<bool> quiet_ran{false};
  std::atomic<int> wakes{0};
  std::thread worker([&] {
    dispatcher.PostQuietly([&] { order.push_back(1); });
    dispatcher.Post([&] { order.push_back(2); });
    dispatcher.PostQuietly([&] { order.push_back(3); });
    dispatcher.Call([&] { order.push_back(4); });
  });
  while (order.size() < 4) dispatcher.RunUntil(Dispatcher::Clock::now() + 5ms);
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));

  // The owner waits for an hour; a quiet notice is run long before, and the wait goes on.
  const auto start = Dispatcher::Clock::now();
  Dispatcher::Clock::duration ran_after{};
  std::thread poster([&] {
    std::this_thread::sleep_for(20ms);  // the owner is waiting by now
    dispatcher.PostQuietly([&] {
      ran_after = Dispatcher::Clock::now() - start;
      quiet_ran = true;
    });
    for (int i = 0; i < 5000 && !quiet_ran; ++i) std::this_thread::sleep_for(1ms);
    dispatcher.Post([&] { dispatcher.Wake(); });
  });
  dispatcher.RunUntil(start + 1h);
  poster.join();
  EXPECT_TRUE(quiet_ran);
  EXPECT_LT(ran_after, 2s);

  // An event-loop owner's hook hears of quiet posts as of any other.
  dispatcher.SetWakeHook([&] { ++wakes; });
  dispatcher.PostQuietly([] {});
  EXPECT_EQ(wakes.load(), 1);
  dispatcher.RunPending();
}

// An owner with an event loop is told of every queued task, and a call waiting on the owner
// completes when the owner answers the hook.
TEST(DispatcherTest, TheWakeHookTellsAnEventLoopOwnerOfWork) {
  Dispatcher dispatcher;
  std::atomic<int> wakes{0};
  dispatcher.SetWakeHook([&] { ++wakes; });
  dispatcher.RecordLatencies(true);
  std::atomic<bool> called{false};
  std::thread worker([&] {
    dispatcher.Post([] {});
    dispatcher.Call([&] { called = true; });
  });
  while (!called) {
    if (wakes > 0) dispatcher.RunPending();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_GE(wakes.load(), 2);
  EXPECT_EQ(dispatcher.TakeLatencies().size(), 2u);
  dispatcher.Wake();
  EXPECT_GE(wakes.load(), 3);
}

TEST(DispatcherTest, ACalledTaskThatThrowsReachesItsCallerNotTheLoop) {
  Dispatcher dispatcher;
  std::atomic<bool> done{false};
  std::string caught;
  std::thread worker([&] {
    try {
      dispatcher.Call([] { throw std::runtime_error("table busy"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    dispatcher.Post([] { throw std::runtime_error("dropped"); });
    dispatcher.Call([] {});
    done = true;
  });
  while (!done) dispatcher.RunUntil(Dispatcher::Clock::now() + 5ms);
  worker.join();
  EXPECT_EQ(caught, "table busy");
}

}  // namespace
}  // namespace zeb
