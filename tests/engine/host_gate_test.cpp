// Retry-After values and the gate that keeps a run's threads away from a host that asked to wait.
#include "engine/host_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>
#include <vector>

namespace zeb {
namespace {

using namespace std::chrono_literals;

TEST(HostGateTest, RetryAfterValues) {
  const std::time_t now = 1445412480;  // Wed, 21 Oct 2015 07:28:00 GMT
  struct Case {
    const char* value;
    std::optional<std::int64_t> seconds;
  };
  const Case cases[] = {
      {"1", 1},
      {" 120 ", 120},
      {"0", 0},
      {"Wed, 21 Oct 2015 07:28:30 GMT", 30},         // IMF-fixdate
      {"Wednesday, 21-Oct-15 07:29:00 GMT", 60},     // RFC 850
      {"Wed Oct 21 07:28:10 2015", 10},              // asctime
      {"Wed, 21 Oct 2015 07:00:00 GMT", 0},          // in the past: no wait
      {"99999999999999999999", std::numeric_limits<int>::max()},  // absurdly long, no overflow
      {"-5", std::nullopt},
      {"soon", std::nullopt},
      {"", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<std::chrono::seconds> wait = ParseRetryAfter(c.value, now);
    ASSERT_EQ(wait.has_value(), c.seconds.has_value()) << c.value;
    if (wait) {
      EXPECT_EQ(wait->count(), *c.seconds) << c.value;
    }
  }
}

TEST(HostGateTest, RetryAfterHeaderIsFoundInAnyLetterCase) {
  EXPECT_EQ(RetryAfterHeader({"HTTP/1.1 429 Too Many Requests", "retry-after:  7"}), "7");
  EXPECT_EQ(RetryAfterHeader({"Retry-After: Wed, 21 Oct 2015 07:28:00 GMT"}),
            "Wed, 21 Oct 2015 07:28:00 GMT");
  EXPECT_EQ(RetryAfterHeader({"Content-Type: text/html"}), std::nullopt);
}

TEST(HostGateTest, GateKeyIsTheHostNameAlone) {
  EXPECT_EQ(GateKey("https://Site.Test:8443/a"), "site.test");
  EXPECT_EQ(GateKey("http://site.test/b"), "site.test");
}

TEST(HostGateTest, AHeldHostMakesOthersWaitAndOnlyThatHost) {
  HostGate gate;
  const auto start = HostGate::Clock::now();
  gate.HoldUntil("Site.test", start + 300ms);
  EXPECT_TRUE(gate.Held("site.test"));
  EXPECT_TRUE(gate.WaitFor("other.test", {}));
  EXPECT_LT(HostGate::Clock::now() - start, 100ms);

  std::atomic<bool> passed{false};
  std::thread waiter([&] {
    EXPECT_TRUE(gate.WaitFor("SITE.TEST", [] { return false; }));
    passed = true;
  });
  waiter.join();
  EXPECT_TRUE(passed);
  EXPECT_GE(HostGate::Clock::now() - start, 300ms);
  EXPECT_FALSE(gate.Held("site.test"));
}

TEST(HostGateTest, AWaitCanBeGivenUp) {
  HostGate gate;
  gate.HoldUntil("site.test", HostGate::Clock::now() + 10s);
  const auto start = HostGate::Clock::now();
  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(100ms);
    stop = true;
  });
  EXPECT_FALSE(gate.WaitFor("site.test", [&] { return stop.load(); }));
  stopper.join();
  EXPECT_LT(HostGate::Clock::now() - start, 2s);
}

// Several threads wait on one host while the hold ends and is renewed: the first to see it end
// removes it, the others must not read the entry it removed (AddressSanitizer watches this).
TEST(HostGateTest, ManyWaitersOnOneHostAllPassWhenTheHoldEnds) {
  HostGate gate;
  std::atomic<int> passed{0};
  std::vector<std::thread> waiters;
  for (int round = 0; round < 20; ++round) {
    gate.HoldUntil("site.test", HostGate::Clock::now() + 5ms);
    for (int i = 0; i < 6; ++i) {
      waiters.emplace_back([&] {
        if (gate.WaitFor("site.test", [] { return false; })) ++passed;
      });
    }
  }
  for (std::thread& t : waiters) t.join();
  EXPECT_EQ(passed.load(), 120);
  EXPECT_FALSE(gate.Held("site.test"));
}

}  // namespace
}  // namespace zeb
