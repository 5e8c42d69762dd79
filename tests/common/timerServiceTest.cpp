// The timer service: deadlines, skipping, ordering, killing from every
// thread, shutdown. Manual-clock tests are exact; the real-clock tests only
// count faults (overlaps, foreign threads, late calls), never durations.
#include "common/timerService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <thread>
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

// Records when (relative to `origin`) and with which id each call came.
struct Recorder {
    ManualClock* clock = nullptr;
    MonoTime origin{};
    std::vector<MonoTime> times;
    std::vector<unsigned> ids;
    std::vector<unsigned>* sharedLog = nullptr; // order across timers
};

void record(unsigned id, void* user) {
    auto* r = static_cast<Recorder*>(user);
    r->times.push_back(r->clock->now() - r->origin);
    r->ids.push_back(id);
    if (r->sharedLog) r->sharedLog->push_back(id);
}

std::vector<MonoTime> grid(std::initializer_list<int> ms) {
    std::vector<MonoTime> out;
    for (int m : ms)
        out.push_back(std::chrono::milliseconds(m));
    return out;
}

// n firings, the i-th at (i + 1) x period.
std::vector<MonoTime> everyPeriod(int n, std::chrono::milliseconds period) {
    std::vector<MonoTime> out;
    for (int i = 1; i <= n; ++i)
        out.push_back(i * period);
    return out;
}

class ManualTimerTest : public ::testing::Test {
protected:
    // Declared before the service so it outlives it.
    ManualClock clock{1000s};
    TimerService service{clock};
    MonoTime origin = clock.now();

    Recorder recorder() { return Recorder{&clock, clock.now(), {}, {}, nullptr}; }
    // A timer that must be accepted; its id.
    unsigned set(unsigned ms, TimerService::Callback cb, void* user, bool periodic = true) {
        const unsigned id = service.setEvent(ms, 1, cb, user, periodic);
        EXPECT_NE(id, 0u) << "setEvent(" << ms << ") refused";
        return id;
    }
    void step(std::chrono::milliseconds d) {
        clock.advance(d);
        service.waitIdle();
    }
    MonoTime elapsed() const { return clock.now() - origin; }
};

TEST_F(ManualTimerTest, OneShotFiresOnceAtItsDeadlineAndNotBefore) {
    Recorder r = recorder();
    const unsigned id = set(100, record, &r, false);
    step(99ms);
    EXPECT_TRUE(r.times.empty());
    step(1ms);
    EXPECT_EQ(r.times, grid({100}));
    step(1000ms);
    EXPECT_EQ(r.times, grid({100}));
    EXPECT_EQ(r.ids, std::vector<unsigned>{id});
    EXPECT_FALSE(service.killEvent(id)) << "a finished one-shot is no longer known";
    EXPECT_FALSE(service.nextDeadline().has_value());
}

TEST_F(ManualTimerTest, PeriodicFiringsStayOnTheGridHoweverTheClockMoves) {
    Recorder exact = recorder();
    const unsigned id = set(40, record, &exact);
    for (int n = 0; n < 50; ++n)
        step(40ms);
    EXPECT_EQ(exact.times, everyPeriod(50, 40ms));
    ASSERT_TRUE(service.killEvent(id));
    // Steps of 7 ms reach each deadline up to 6 ms late; it must not add up.
    Recorder late = recorder();
    set(40, record, &late);
    for (int i = 0; i < 143; ++i)
        step(7ms); // 1001 ms
    const auto due = everyPeriod(25, 40ms);
    ASSERT_EQ(late.times.size(), due.size());
    for (std::size_t i = 0; i < due.size(); ++i) {
        EXPECT_GE(late.times[i], due[i]) << "firing " << i;
        EXPECT_LT(late.times[i], due[i] + 7ms) << "firing " << i;
    }
}

TEST_F(ManualTimerTest, AdvanceAndSettleLetsExactlyTheSpanPassAndStopsAtEveryTimersGrid) {
    Recorder tick = recorder();
    Recorder slow = recorder();
    set(40, record, &tick);
    set(300, record, &slow);
    advanceAndSettle(clock, service, 1s);
    EXPECT_EQ(elapsed(), 1000ms);
    EXPECT_EQ(tick.times, everyPeriod(25, 40ms));
    EXPECT_EQ(slow.times, grid({300, 600, 900}));
}

// A callback that "takes" `cost` of clock time before returning.
struct SlowWork {
    Recorder rec;
    std::chrono::milliseconds cost;
    int slowCalls; // how many of the first calls are slow
};

void slowCallback(unsigned id, void* user) {
    auto* w = static_cast<SlowWork*>(user);
    record(id, &w->rec);
    if (w->slowCalls > 0) {
        --w->slowCalls;
        w->rec.clock->advance(w->cost);
    }
}

TEST_F(ManualTimerTest, SlowCallbacksKeepTheGridAndSkipInsteadOfBursting) {
    SlowWork slow{recorder(), 99ms, 1000};
    const unsigned id = set(100, slowCallback, &slow);
    step(100ms); // fires at 100, returns at 199
    EXPECT_EQ(elapsed(), 199ms);
    step(1ms); // due again at 200, not at 299; returns at 299
    step(1ms); // and again at 300
    EXPECT_EQ(slow.rec.times, grid({100, 200, 300}));
    ASSERT_TRUE(service.killEvent(id));

    SlowWork once{recorder(), 250ms, 1};
    set(100, slowCallback, &once);
    step(100ms); // fires at 100 and returns at 350: 200 and 300 are missed
    EXPECT_EQ(service.nextDeadline(), once.rec.origin + 400ms);
    step(49ms);
    EXPECT_EQ(once.rec.times, grid({100}));
    step(1ms);
    step(100ms);
    EXPECT_EQ(once.rec.times, grid({100, 400, 500}));
}

TEST_F(ManualTimerTest, FallingBehindGivesOneLateFiringThenTheNextGridPoint) {
    struct Row {
        int jumpMs;
        int nextMs; // first point of the 100 ms grid after the jump
    };
    const Row rows[] = {{100, 200}, {150, 200}, {199, 200}, {200, 300}, {1000, 1100}, {1050, 1100}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "jump " << row.jumpMs << " ms");
        Recorder r = recorder();
        const unsigned id = set(100, record, &r);
        step(std::chrono::milliseconds(row.jumpMs));
        EXPECT_EQ(r.times.size(), 1u);
        EXPECT_EQ(service.nextDeadline(), r.origin + std::chrono::milliseconds(row.nextMs));
        EXPECT_TRUE(service.killEvent(id));
    }
}

TEST_F(ManualTimerTest, TimersDueTogetherRunInDeadlineThenIdOrder) {
    std::vector<unsigned> log;
    Recorder a = recorder(), b = recorder(), c = recorder(), d = recorder();
    for (Recorder* r : {&a, &b, &c, &d})
        r->sharedLog = &log;
    const unsigned idA = set(300, record, &a);
    const unsigned idB = set(100, record, &b);
    const unsigned idC = set(100, record, &c);
    const unsigned idD = set(200, record, &d, false);
    step(300ms);
    EXPECT_EQ(log, (std::vector<unsigned>{idB, idC, idD, idA}));
}

// Started 10 and 30 ms after a 40 ms timer, two more of its period fire with
// it (the nearest grid points, 40 and 80), after it; another period keeps
// its own grid.
TEST_F(ManualTimerTest, PeriodicTimersOfOnePeriodShareTheFirstOnesGrid) {
    std::vector<unsigned> log;
    Recorder a = recorder(), b = recorder(), c = recorder(), other = recorder();
    for (Recorder* r : {&a, &b, &c, &other})
        r->sharedLog = &log;
    const unsigned idA = set(40, record, &a);
    step(10ms);
    const unsigned idB = set(40, record, &b);
    const unsigned idOther = set(30, record, &other);
    step(20ms);
    const unsigned idC = set(40, record, &c);
    advanceAndSettle(clock, service, 100ms);
    // From the start of the first.
    EXPECT_EQ(a.times, grid({40, 80, 120}));
    EXPECT_EQ(b.times, grid({40, 80, 120}));
    EXPECT_EQ(c.times, grid({80, 120}));
    EXPECT_EQ(other.times, grid({40, 70, 100, 130}));
    EXPECT_EQ(log, (std::vector<unsigned>{idA, idB, idOther, idOther, idA, idB, idC, idOther, idA,
                                          idB, idC, idOther}));
}

TEST_F(ManualTimerTest, SetEventRejectsBadArgumentsAndIgnoresResolution) {
    Recorder r = recorder();
    const orbel::TimerCaps caps = TimerService::caps();
    EXPECT_EQ(caps.periodMin, 1u);
    EXPECT_EQ(caps.periodMax, 1000000u);
    EXPECT_EQ(service.setEvent(0, 1, record, &r, true), 0u);
    EXPECT_EQ(service.setEvent(caps.periodMax + 1, 1, record, &r, true), 0u);
    EXPECT_EQ(service.setEvent(100, 1, nullptr, &r, true), 0u);
    EXPECT_NE(service.setEvent(caps.periodMax, 1, record, &r, true), 0u);
    EXPECT_NE(service.setEvent(50, 0, record, &r, false), 0u);
    EXPECT_NE(service.setEvent(50, 5000, record, &r, false), 0u);
    step(50ms);
    EXPECT_EQ(r.times, grid({50, 50}));
}

TEST_F(ManualTimerTest, KillEventRejectsUnknownIdsAndIdsAreNotReused) {
    Recorder r = recorder();
    EXPECT_FALSE(service.killEvent(0));
    EXPECT_FALSE(service.killEvent(12345));
    std::set<unsigned> seen;
    for (int i = 0; i < 1000; ++i) {
        const unsigned id = set(10, record, &r, i % 2 == 0);
        EXPECT_TRUE(seen.insert(id).second) << "id " << id << " handed out twice";
        EXPECT_TRUE(service.killEvent(id));
        EXPECT_FALSE(service.killEvent(id)) << "second kill of " << id;
    }
    step(100ms);
    EXPECT_TRUE(r.times.empty());
}

// Kills a timer from inside a callback and remembers what killEvent said.
struct Killer {
    TimerService* service;
    Recorder rec;
    unsigned victim = 0; // 0: the timer's own id
    int killOnCall = 1;
    std::vector<bool> killResults;
    bool calledWaitIdle = false;
};

void killerCallback(unsigned id, void* user) {
    auto* k = static_cast<Killer*>(user);
    record(id, &k->rec);
    if (static_cast<int>(k->rec.times.size()) == k->killOnCall) {
        k->killResults.push_back(k->service->killEvent(k->victim ? k->victim : id));
        k->service->waitIdle(); // must not wait for ourselves
        k->calledWaitIdle = true;
    }
}

TEST_F(ManualTimerTest, CallbackKillingItselfOrADueTimerStopsItWithoutDeadlock) {
    struct Row {
        const char* name;
        bool otherVictim; // same deadline, higher id: due when the killer runs
        bool periodic;
        int killOnCall;
        std::vector<MonoTime> killerTimes;
    };
    const Row rows[] = {
        {"itself", false, true, 3, grid({10, 20, 30})},
        {"another already due", true, false, 1, grid({10})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Killer k{&service, recorder(), 0, row.killOnCall, {}, false};
        Recorder victim = recorder();
        const unsigned id = set(10, killerCallback, &k, row.periodic);
        if (row.otherVictim) k.victim = set(10, record, &victim);
        advanceAndSettle(clock, service, 100ms);
        EXPECT_EQ(k.rec.times, row.killerTimes);
        EXPECT_TRUE(victim.times.empty());
        EXPECT_EQ(k.killResults, std::vector<bool>{true});
        EXPECT_TRUE(k.calledWaitIdle);
        EXPECT_FALSE(service.killEvent(k.victim ? k.victim : id));
    }
}

// The resynchronisation pattern: a slow timer that, from its callback,
// kills the fast one and starts it afresh on a new grid.
struct Resync {
    TimerService* service;
    Recorder tick;
    unsigned tickerId = 0;
    std::vector<unsigned> tickerIds;
};

void resyncCallback(unsigned, void* user) {
    auto* r = static_cast<Resync*>(user);
    EXPECT_TRUE(r->service->killEvent(r->tickerId));
    r->tickerId = r->service->setEvent(40, 1, record, &r->tick, true);
    r->tickerIds.push_back(r->tickerId);
}

TEST_F(ManualTimerTest, CallbackRestartsAnotherTimerOnANewGrid) {
    Resync r{&service, recorder(), 0, {}};
    r.tickerId = set(40, record, &r.tick);
    r.tickerIds.push_back(r.tickerId);
    set(100, resyncCallback, &r);
    advanceAndSettle(clock, service, 300ms);
    EXPECT_EQ(r.tick.times, grid({40, 80, 140, 180, 240, 280}));
    ASSERT_EQ(r.tickerIds.size(), 4u);
    EXPECT_EQ(std::set<unsigned>(r.tickerIds.begin(), r.tickerIds.end()).size(), 4u);
    EXPECT_EQ(std::count(r.tickerIds.begin(), r.tickerIds.end(), 0u), 0);
}

void countingCallback(unsigned, void* user) {
    t_countAllocs = true; // from now on, count this (the service) thread
    static_cast<std::atomic<int>*>(user)->fetch_add(1);
}

TEST_F(ManualTimerTest, FiringPathDoesNotAllocate) {
    std::atomic<int> calls{0};
    set(40, countingCallback, &calls);
    set(200, countingCallback, &calls);
    g_countedAllocs = 0;
    advanceAndSettle(clock, service, 2s);
    EXPECT_EQ(calls.load(), 60);
    EXPECT_EQ(g_countedAllocs.load(), 0);
}

// ---- lifetime: killing and destroying from another thread -----------------

// A callback that parks until the test releases it.
struct Blocker {
    std::promise<void> entered;
    std::shared_future<void> release;
    std::atomic<bool>* otherSideDone = nullptr;
    bool otherSideDoneBeforeReturn = false;
    std::atomic<int> calls{0};
};

void blockingCallback(unsigned, void* user) {
    auto* b = static_cast<Blocker*>(user);
    if (b->calls.fetch_add(1) == 0) b->entered.set_value();
    b->release.wait();
    b->otherSideDoneBeforeReturn = b->otherSideDone->load();
}

class TimerServiceLifetime : public ::testing::Test {
protected:
    ManualClock clock;
    std::unique_ptr<TimerService> service = std::make_unique<TimerService>(clock);
};

// While the callback is parked, another thread kills the timer or destroys
// the service: that thread must not return before the callback has.
TEST_F(TimerServiceLifetime, KillOrDestroyFromAnotherThreadWaitsForTheRunningCallback) {
    struct Row {
        const char* name;
        std::function<void(std::unique_ptr<TimerService>&, unsigned)> stop;
    };
    const Row rows[] = {
        {"killEvent", [](auto& s, unsigned id) { EXPECT_TRUE(s->killEvent(id)); }},
        {"destructor", [](auto& s, unsigned) { s.reset(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        service = std::make_unique<TimerService>(clock);
        std::promise<void> release;
        std::atomic<bool> stopReturned{false};
        Blocker b;
        b.release = release.get_future().share();
        b.otherSideDone = &stopReturned;
        const unsigned id = service->setEvent(10, 1, blockingCallback, &b, true);
        ASSERT_NE(id, 0u);
        clock.advance(10ms);
        b.entered.get_future().wait();
        std::thread stopper([&] {
            row.stop(service, id);
            stopReturned = true;
        });
        std::this_thread::sleep_for(20ms); // time for a stopper that does not wait to return
        EXPECT_FALSE(stopReturned.load());
        release.set_value();
        stopper.join();
        EXPECT_FALSE(b.otherSideDoneBeforeReturn);
        clock.advance(1s);
        if (service) service->waitIdle();
        EXPECT_EQ(b.calls.load(), 1);
    }
}

TEST_F(TimerServiceLifetime, DestructorCancelsLiveTimersAndLeavesTheClock) {
    Recorder periodic{&clock, clock.now(), {}, {}, nullptr};
    Recorder once{&clock, clock.now(), {}, {}, nullptr};
    EXPECT_EQ(clock.waiterCount(), 1u);
    ASSERT_NE(service->setEvent(10, 1, record, &periodic, true), 0u);
    ASSERT_NE(service->setEvent(50, 1, record, &once, false), 0u);
    advanceAndSettle(clock, *service, 25ms);
    service.reset();
    // The clock must no longer reach into the destroyed service.
    EXPECT_EQ(clock.waiterCount(), 0u);
    clock.advance(1s);
    EXPECT_EQ(periodic.times, grid({10, 20}));
    EXPECT_TRUE(once.times.empty());
}

TEST_F(TimerServiceLifetime, ShutdownRefusesNewTimers) {
    Recorder r{&clock, clock.now(), {}, {}, nullptr};
    const unsigned id = service->setEvent(10, 1, record, &r, true);
    ASSERT_NE(id, 0u);
    service->shutdown();
    EXPECT_EQ(service->setEvent(10, 1, record, &r, true), 0u);
    EXPECT_FALSE(service->killEvent(id));
    clock.advance(100ms);
    service->waitIdle();
    EXPECT_TRUE(r.times.empty());
}

// ---- the real clock: one thread, no overlap, nothing after a kill ----------

// What every probe of one test shares: the callbacks in flight, the first
// thread seen, and the faults found.
struct ProbeStats {
    std::atomic<int> inFlight{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> lateCalls{0}; // calls that started after killEvent returned
    std::atomic<int> foreignThreads{0};
    std::atomic<std::thread::id> firstThread{};

    void expectNoFault() const {
        EXPECT_EQ(overlaps.load(), 0);
        EXPECT_EQ(lateCalls.load(), 0);
        EXPECT_EQ(foreignThreads.load(), 0);
        EXPECT_NE(firstThread.load(), std::this_thread::get_id());
    }
};

struct Probe {
    explicit Probe(ProbeStats& s) : stats(&s) {}
    ProbeStats* stats;
    std::atomic<int> calls{0};
    std::atomic<bool> killed{false};
};

void probeCallback(unsigned, void* user) {
    auto* p = static_cast<Probe*>(user);
    ProbeStats& s = *p->stats;
    if (s.inFlight.fetch_add(1) != 0) s.overlaps.fetch_add(1);
    std::thread::id expected{};
    if (!s.firstThread.compare_exchange_strong(expected, std::this_thread::get_id()) &&
        expected != std::this_thread::get_id())
        s.foreignThreads.fetch_add(1);
    if (p->killed.load()) s.lateCalls.fetch_add(1);
    // Widen the window in which an overlap would show.
    for (int i = 0; i < 2000; ++i)
        std::atomic_signal_fence(std::memory_order_seq_cst);
    p->calls.fetch_add(1);
    s.inFlight.fetch_sub(1);
}

TEST(TimerServiceRealClock, CallbacksNeverOverlapAndShareOneThread) {
    ProbeStats stats;
    std::vector<std::unique_ptr<Probe>> probes;
    TimerService service;
    std::vector<unsigned> ids;
    for (unsigned period : {1u, 1u, 2u, 3u}) {
        probes.push_back(std::make_unique<Probe>(stats));
        ids.push_back(service.setEvent(period, 1, probeCallback, probes.back().get(), true));
    }
    std::this_thread::sleep_for(60ms);
    for (unsigned id : ids)
        EXPECT_TRUE(service.killEvent(id));
    int total = 0;
    for (const auto& p : probes)
        total += p->calls.load();
    EXPECT_GT(total, 10);
    stats.expectNoFault();
}

TEST(TimerServiceRealClock, StressSetAndKillFromManyThreads) {
    ProbeStats stats;
    std::atomic<int> totalCalls{0};
    TimerService service;
    auto worker = [&](unsigned seed) {
        std::minstd_rand rng(seed);
        std::vector<std::pair<unsigned, std::unique_ptr<Probe>>> live;
        auto killOne = [&](std::size_t i) {
            service.killEvent(live[i].first); // false for a finished one-shot
            live[i].second->killed = true;
            totalCalls += live[i].second->calls.load();
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(i)); // frees the probe
        };
        const auto end = std::chrono::steady_clock::now() + 200ms;
        while (std::chrono::steady_clock::now() < end) {
            if (live.size() < 6) {
                auto p = std::make_unique<Probe>(stats);
                const unsigned id =
                    service.setEvent(1 + rng() % 3, 1, probeCallback, p.get(), rng() % 4 != 0);
                ASSERT_NE(id, 0u);
                live.emplace_back(id, std::move(p));
            } else {
                killOne(rng() % live.size());
            }
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 500));
        }
        while (!live.empty())
            killOne(live.size() - 1);
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t)
        threads.emplace_back(worker, 17 + t);
    for (auto& t : threads)
        t.join();
    EXPECT_GT(totalCalls.load(), 0);
    stats.expectNoFault();
}

} // namespace
