#pragma once
// One helper thread that computes the items of a sequence ahead of their use, while
// the caller's thread uses them in order: the column spectra of the coming column
// pairs while a spectrogram page draws the current one, the coming sections while a
// section page draws. The caller owns the results, `depth` slots of them; item i
// goes to slot i mod depth, so at most `depth` items are made ahead. No Qt.
//
// What an item's computation reads must not change while the helper may be making
// it: the caller stops the helper (stop()) before it changes that data and starts it
// again afterwards. Items are then exactly what the caller's own thread would have
// made, whatever the timing.

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvox {

class LookAhead {
public:
    /// Makes item `index` into result slot `slot` (index mod depth).
    using Make = std::function<void(int64_t index, int slot)>;

    explicit LookAhead(int depth);
    ~LookAhead();
    LookAhead(const LookAhead&) = delete;
    LookAhead& operator=(const LookAhead&) = delete;

    int depth() const { return m_depth; }

    /// Starts making items 0 … count − 1 with `make`, in order, on the helper
    /// thread. Stops what was being made first.
    void start(int64_t count, Make make);
    /// Makes the sequence `count` items long, when that is longer, without stopping
    /// what is being made: the items already there keep their places and slots.
    void extend(int64_t count);
    /// The slot of item `index`, once it is made: the next item after the last one
    /// taken (0 after start). Its slot stays the caller's until the next take() or
    /// stop(). −1 when `index` is not the next item or beyond `count`.
    int take(int64_t index);
    /// Waits for the item being made, if any, and forgets the rest; the helper is
    /// idle afterwards and the results may be reused.
    void stop();

private:
    void work();

    const int m_depth;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Make m_make;
    int64_t m_count = 0;    // items of the current sequence
    int64_t m_made = 0;     // items made so far
    int64_t m_taken = 0;    // items the caller has taken (the last one it still holds)
    bool m_making = false;  // the helper is making item m_made
    // Waking a thread costs a system call each side: the helper, once the results
    // are full, sleeps until half of them are free again, and is woken only then;
    // the caller is woken only when it waits, and then only once a few items are
    // made (16, or half of the results when there are fewer), so that a caller
    // that is faster than the helper does not sleep and wake for every item.
    bool m_helperWaiting = false;
    int64_t m_resumeAt = 0;  // the helper is woken when m_taken reaches it
    bool m_callerWaiting = false;
    int64_t m_callerWakeAt = 0;  // the waiting caller is woken when m_made reaches it
    int m_generation = 0;        // counts start() and stop(): what the helper was making is stale
    bool m_quit = false;
    std::thread m_thread;
};

/// A LookAhead over a planned list: the helper makes each planned item into a
/// Result with `make`, and the caller takes the results in plan order, naming each
/// by what it expects next; a result the plan does not hold next is not there.
template <class Planned, class Result>
class PlannedLookAhead {
public:
    using MakeItem = std::function<void(const Planned&, Result&)>;

    explicit PlannedLookAhead(int depth) : m_results(static_cast<std::size_t>(std::max(depth, 2))), m_worker(depth) {}

    /// Starts making `plan` in order; what the items read must not change until
    /// stop().
    void start(std::vector<Planned> plan, MakeItem make)
    {
        m_worker.stop();
        {
            std::lock_guard lock(m_planMutex);
            m_plan = std::move(plan);
        }
        m_make = std::move(make);
        m_next = 0;
        m_worker.start(static_cast<int64_t>(m_plan.size()), [this](int64_t index, int slot) {
            Planned planned;
            {
                std::lock_guard lock(m_planMutex);
                planned = m_plan[static_cast<std::size_t>(index)];
            }
            m_make(planned, m_results[static_cast<std::size_t>(slot)]);
        });
    }
    /// Appends `more` to the plan being made, without stopping the helper.
    void extend(const std::vector<Planned>& more)
    {
        std::size_t size;
        {
            std::lock_guard lock(m_planMutex);
            m_plan.insert(m_plan.end(), more.begin(), more.end());
            size = m_plan.size();
        }
        m_worker.extend(static_cast<int64_t>(size));
    }
    /// The planned item the caller is at next, if any (nullptr at the plan's end).
    const Planned* next() const { return m_next < m_plan.size() ? &m_plan[m_next] : nullptr; }
    /// The next planned item's result once made, when `isNext(planned)` says it is
    /// the one the caller is at; nullptr otherwise.
    template <class IsNext>
    const Result* take(IsNext isNext)
    {
        if (m_next >= m_plan.size() || !isNext(m_plan[m_next]))
            return nullptr;
        const int slot = m_worker.take(static_cast<int64_t>(m_next));
        if (slot < 0)
            return nullptr;
        ++m_next;
        return &m_results[static_cast<std::size_t>(slot)];
    }
    /// Waits for the item being made and forgets the rest of the plan.
    void stop()
    {
        m_worker.stop();
        std::lock_guard lock(m_planMutex);
        m_plan.clear();
        m_next = 0;
    }

private:
    std::vector<Result> m_results;
    // The helper copies its item out under the mutex: the caller may append to the
    // plan meanwhile. Only the caller's thread changes the plan, so its own reads
    // need no lock.
    std::mutex m_planMutex;
    std::vector<Planned> m_plan;
    MakeItem m_make;
    std::size_t m_next = 0;
    LookAhead m_worker;  // last: its thread stops before the rest goes
};

}  // namespace kelvox
