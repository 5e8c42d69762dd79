// Manual-clock tests are exact; the real-clock test only counts faults
// (overlaps, foreign threads, late calls), never durations.
#include "common/timerService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using orbel::advanceAndSettle;
using orbel::ManualClock;
using orbel::MonoTime;
using orbel::TimerService;

// Counts operator new on threads that opt in, to prove the firing path
// allocates nothing.
namespace {
thread_local bool t_countAllocs = false;
std::atomic<long> g_countedAllocs{0};
} // namespace

void* operator new(std::size_t size) {
    if (t_countAllocs) g_countedAllocs.fetch_add(1);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// GCC pairs the free below with its own idea of the new it inlined and
// warns; the replacement new above is the one that allocated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

// The service takes a plain function and a user value; tests hand it a
// std::function (whose call allocates nothing) through this trampoline.
using Fn = std::function<void(unsigned id)>;
void callFn(unsigned id, void* user) {
    (*static_cast<Fn*>(user))(id);
}

using Ms = std::vector<long>;
class TimerTest : public ::testing::Test {
protected:
    ManualClock clock{1000s}; // the clock and the callbacks outlive the service
    std::deque<Fn> fns;
    std::unique_ptr<TimerService> service = std::make_unique<TimerService>(clock);

    unsigned on(unsigned ms, Fn fn, bool periodic = true) {
        fns.push_back(std::move(fn));
        return service->setEvent(ms, 1, callFn, &fns.back(), periodic);
    }
    long since(MonoTime t0) const {
        return static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - t0).count());
    }
    unsigned rec(unsigned ms, Ms& log, bool periodic = true, std::vector<unsigned>* order = {}) {
        const unsigned id = on(
            ms,
            [this, &log, order, t0 = clock.now()](unsigned id) {
                log.push_back(since(t0));
                if (order) order->push_back(id);
            },
            periodic);
        EXPECT_NE(id, 0u) << "setEvent(" << ms << ") refused";
        return id;
    }
    void step(std::chrono::milliseconds d) {
        clock.advance(d);
        service->waitIdle();
    }
};

TEST_F(TimerTest, OneShotFiresOnceAndPeriodicFiringsStayOnTheGridHoweverTheClockMoves) {
    Ms once, late;
    const unsigned onceId = rec(100, once, false);
    step(99ms);
    EXPECT_TRUE(once.empty());
    step(1ms);
    step(1000ms);
    EXPECT_EQ(once, Ms{100});
    EXPECT_FALSE(service->killEvent(onceId)) << "a finished one-shot is no longer known";
    EXPECT_FALSE(service->nextDeadline().has_value());
    // Steps of 7 ms reach each deadline up to 6 ms late; it must not add up.
    rec(40, late);
    for (int i = 0; i < 143; ++i)
        step(7ms); // 1001 ms
    ASSERT_EQ(late.size(), 25u);
    for (std::size_t i = 0; i < late.size(); ++i) {
        const long due = 40 * static_cast<long>(i + 1);
        EXPECT_GE(late[i], due) << "firing " << i;
        EXPECT_LT(late[i], due + 7) << "firing " << i;
    }
}

// A clock that jumps before the firing, or a callback that takes clock time
// before it returns, gives one late firing and then the first point of the
// grid after the return: never a burst, never a drift.
TEST_F(TimerTest, MissedFiringsAreSkippedInsteadOfBursting) {
    const std::tuple<int, int, int> rows[] = {{150, 0, 200},   {199, 0, 200},  {200, 0, 300},
                                              {1050, 0, 1100}, {100, 99, 200}, {100, 250, 400}};
    for (auto [jump, busy, next] : rows) {
        SCOPED_TRACE(::testing::Message() << "jump " << jump << " ms, busy " << busy << " ms");
        Ms r;
        const MonoTime t0 = clock.now();
        const unsigned id = on(100, [&](unsigned) {
            r.push_back(since(t0));
            if (r.size() == 1) clock.advance(std::chrono::milliseconds(busy));
        });
        step(std::chrono::milliseconds(jump));
        EXPECT_EQ(r, Ms{jump});
        EXPECT_EQ(service->nextDeadline(), t0 + std::chrono::milliseconds(next));
        step(std::chrono::milliseconds(next - jump - busy - 1));
        step(1ms);
        EXPECT_EQ(r, (Ms{jump, next}));
        EXPECT_TRUE(service->killEvent(id));
    }
}

// Started 10 and 30 ms after a 40 ms timer, two more of its period fire with
// it (the nearest grid points, 40 and 80 from the first one's start), after
// it; another period keeps its own grid. Times are from each timer's start.
TEST_F(TimerTest, DueTogetherRunInDeadlineThenIdOrderAndOnePeriodSharesOneGrid) {
    std::vector<unsigned> order;
    Ms a, b, c, d;
    const unsigned idA = rec(300, a, true, &order), idB = rec(100, b, true, &order);
    const unsigned idC = rec(100, c, true, &order), idD = rec(200, d, false, &order);
    step(300ms);
    EXPECT_EQ(order, (std::vector<unsigned>{idB, idC, idD, idA}));
    service = std::make_unique<TimerService>(clock);
    order.clear();
    Ms first, second, third, other;
    const unsigned id1 = rec(40, first, true, &order);
    step(10ms);
    const unsigned id2 = rec(40, second, true, &order), idO = rec(30, other, true, &order);
    step(20ms);
    const unsigned id3 = rec(40, third, true, &order);
    const MonoTime start = clock.now();
    advanceAndSettle(clock, *service, 100ms); // stopping at every deadline on its way
    EXPECT_EQ(clock.now() - start, 100ms);
    EXPECT_EQ(first, (Ms{40, 80, 120}));
    EXPECT_EQ(second, (Ms{30, 70, 110}));
    EXPECT_EQ(third, (Ms{50, 90}));
    EXPECT_EQ(other, (Ms{30, 60, 90, 120}));
    EXPECT_EQ(order,
              (std::vector<unsigned>{id1, id2, idO, idO, id1, id2, id3, idO, id1, id2, id3, idO}));
}

TEST_F(TimerTest, SetAndKillRejectBadArgumentsIdsAreNotReusedAndShutdownRefusesAll) {
    Ms r, never;
    Fn fn = [&, t0 = clock.now()](unsigned) { r.push_back(since(t0)); };
    const orbel::TimerCaps caps = TimerService::caps();
    const std::tuple<unsigned, unsigned, TimerService::Callback, bool> args[] = {
        {0, 1, callFn, false},    {caps.periodMax + 1, 1, callFn, false},
        {100, 1, nullptr, false}, {caps.periodMax, 1, callFn, true},
        {50, 0, callFn, true},    {50, 5000, callFn, true}};
    for (const auto& [ms, resolution, cb, accepted] : args)
        EXPECT_EQ(service->setEvent(ms, resolution, cb, &fn, ms != 50) != 0, accepted)
            << ms << " " << resolution;
    step(50ms);
    EXPECT_EQ(r, (Ms{50, 50}));

    EXPECT_FALSE(service->killEvent(0));
    EXPECT_FALSE(service->killEvent(12345));
    std::set<unsigned> seen;
    for (int i = 0; i < 1000; ++i) {
        const unsigned id = rec(10, never, i % 2 == 0);
        EXPECT_TRUE(seen.insert(id).second) << "id " << id << " handed out twice";
        EXPECT_TRUE(service->killEvent(id));
        EXPECT_FALSE(service->killEvent(id)) << "second kill of " << id;
    }
    step(100ms);
    EXPECT_TRUE(never.empty());
    const unsigned pending = rec(10, never);
    service->shutdown();
    EXPECT_EQ(on(10, [](unsigned) {}), 0u);
    EXPECT_FALSE(service->killEvent(pending));
    step(100ms);
    EXPECT_TRUE(never.empty());
}

// A periodic timer kills itself on its third call; a one-shot kills, on its
// first, a timer due with it (same deadline, higher id).
TEST_F(TimerTest, KillsFromTheCallbackNeverDeadlockAndFromAnotherThreadWaitForIt) {
    for (const bool itself : {true, false}) {
        SCOPED_TRACE(itself ? "itself" : "another already due");
        Ms killer, victim;
        std::vector<bool> killResults;
        unsigned victimId = 0;
        const MonoTime t0 = clock.now();
        const unsigned id = on(
            10,
            [&](unsigned self) {
                killer.push_back(since(t0));
                if (killer.size() != (itself ? 3u : 1u)) return;
                killResults.push_back(service->killEvent(itself ? self : victimId));
                service->waitIdle(); // must not wait for ourselves
            },
            itself);
        if (!itself) victimId = rec(10, victim);
        advanceAndSettle(clock, *service, 100ms);
        EXPECT_EQ(killer, itself ? (Ms{10, 20, 30}) : Ms{10});
        EXPECT_TRUE(victim.empty());
        EXPECT_EQ(killResults, std::vector<bool>{true});
        EXPECT_FALSE(service->killEvent(itself ? id : victimId));
    }
    // The resynchronisation pattern: a slow timer kills the fast one from its
    // callback and starts it afresh on a new grid.
    service = std::make_unique<TimerService>(clock);
    Ms tick;
    const MonoTime t0 = clock.now();
    Fn ticker = [&](unsigned) { tick.push_back(since(t0)); };
    std::vector<unsigned> ids{on(40, ticker)};
    on(100, [&](unsigned) {
        EXPECT_TRUE(service->killEvent(ids.back()));
        ids.push_back(service->setEvent(40, 1, callFn, &ticker, true));
    });
    advanceAndSettle(clock, *service, 300ms);
    EXPECT_EQ(tick, (Ms{40, 80, 140, 180, 240, 280}));
    EXPECT_EQ(ids.size(), 4u);
    // While the callback is parked, another thread kills the timer or destroys
    // the service: that thread must not return before the callback has.
    // The destructor also cancels a pending one-shot and leaves the clock.
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destructor" : "killEvent");
        service = std::make_unique<TimerService>(clock);
        Ms once;
        rec(50, once, false);
        std::promise<void> entered, release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> stopReturned{false}, stopReturnedFirst{false};
        std::atomic<int> calls{0};
        const unsigned id = on(10, [&](unsigned) {
            if (calls.fetch_add(1) == 0) entered.set_value();
            released.wait();
            stopReturnedFirst = stopReturned.load();
        });
        ASSERT_NE(id, 0u);
        clock.advance(10ms);
        entered.get_future().wait();
        std::thread stopper([&] {
            if (destroy)
                service.reset();
            else
                EXPECT_TRUE(service->killEvent(id));
            stopReturned = true;
        });
        std::this_thread::sleep_for(20ms); // time for a stopper that does not wait to return
        EXPECT_FALSE(stopReturned.load());
        release.set_value();
        stopper.join();
        EXPECT_FALSE(stopReturnedFirst.load());
        clock.advance(1s);
        if (service) service->waitIdle();
        EXPECT_EQ(calls.load(), 1);
        EXPECT_EQ(once.size(), destroy ? 0u : 1u);
        EXPECT_EQ(clock.waiterCount(), destroy ? 0u : 1u);
    }
}

TEST_F(TimerTest, FiringPathDoesNotAllocate) {
    std::atomic<int> calls{0};
    const auto counting = [](unsigned, void* user) {
        t_countAllocs = true; // from now on, count this (the service) thread
        static_cast<std::atomic<int>*>(user)->fetch_add(1);
    };
    ASSERT_NE(service->setEvent(40, 1, counting, &calls, true), 0u);
    ASSERT_NE(service->setEvent(200, 1, counting, &calls, true), 0u);
    g_countedAllocs = 0;
    advanceAndSettle(clock, *service, 2s);
    EXPECT_EQ(calls.load(), 60);
    EXPECT_EQ(g_countedAllocs.load(), 0);
}

// The probes outlive the service's use of them, so a call after a kill is
// counted, not a use after free.
TEST(TimerServiceRealClock, CallbacksNeverOverlapShareOneThreadAndStopAtTheirKill) {
    std::atomic<int> inFlight{0}, overlaps{0}, foreignThreads{0}, calls{0}, lateCalls{0};
    std::atomic<std::thread::id> firstThread{};
    struct Probe {
        std::atomic<bool> killed{false};
        Fn fn;
        unsigned id = 0;
    };
    std::vector<std::deque<Probe>> probes(4);
    TimerService service;
    auto worker = [&](unsigned t) {
        std::minstd_rand rng(17 + t);
        std::vector<Probe*> live;
        const auto end = std::chrono::steady_clock::now() + 200ms;
        while (std::chrono::steady_clock::now() < end || !live.empty()) {
            if (live.size() < 6 && std::chrono::steady_clock::now() < end) {
                Probe& p = probes[t].emplace_back();
                p.fn = [&, q = &p](unsigned) {
                    if (inFlight.fetch_add(1) != 0) ++overlaps;
                    std::thread::id expected{};
                    if (!firstThread.compare_exchange_strong(expected,
                                                             std::this_thread::get_id()) &&
                        expected != std::this_thread::get_id())
                        ++foreignThreads;
                    if (q->killed) ++lateCalls;
                    // Widen the window in which an overlap would show.
                    for (int i = 0; i < 2000; ++i)
                        std::atomic_signal_fence(std::memory_order_seq_cst);
                    ++calls;
                    --inFlight;
                };
                p.id = service.setEvent(1 + rng() % 3, 1, callFn, &p.fn, rng() % 4 != 0);
                ASSERT_NE(p.id, 0u);
                live.push_back(&p);
            } else {
                const auto victim = live.begin() + static_cast<std::ptrdiff_t>(rng() % live.size());
                service.killEvent((*victim)->id); // false for a finished one-shot
                (*victim)->killed = true;
                live.erase(victim);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 500));
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t)
        threads.emplace_back(worker, t);
    for (auto& t : threads)
        t.join();
    std::this_thread::sleep_for(10ms); // a late call would show here
    EXPECT_GT(calls.load(), 10);
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(lateCalls.load(), 0);
    EXPECT_EQ(foreignThreads.load(), 0);
    EXPECT_NE(firstThread.load(), std::this_thread::get_id());
}

} // namespace
