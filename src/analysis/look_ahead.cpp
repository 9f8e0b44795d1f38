#include "look_ahead.h"

#include "vector_state.h"

#include <algorithm>
#include <limits>

namespace kelvox {

namespace {

// A waiting caller is woken once this many items are made (or half the results,
// when there are fewer): not for every item, and not so late that it sits idle
// while a deep look-ahead fills up.
constexpr int kCallerBatch = 16;

}  // namespace

LookAhead::LookAhead(int depth) : m_depth(std::max(depth, 2)), m_thread(&LookAhead::work, this) {}

LookAhead::~LookAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        ++m_generation;
    }
    m_changed.notify_all();
    m_thread.join();
}

void LookAhead::work()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        // The slot of the item the caller holds is not made over.
        if (m_made < m_count && m_made < m_taken + m_depth - 1) {
            const int64_t index = m_made;
            const int generation = m_generation;
            m_making = true;
            lock.unlock();
            clearUpperVectorHalves();
            m_make(index, static_cast<int>(index % m_depth));
            lock.lock();
            m_making = false;
            if (generation == m_generation)
                ++m_made;
            if (m_callerWaiting && (m_made >= m_callerWakeAt || generation != m_generation))
                m_changed.notify_all();
        } else {
            // Full: wait until half of the results are free (or the sequence changes).
            m_resumeAt = m_made < m_count ? m_made - m_depth / 2 + 1 : std::numeric_limits<int64_t>::max();
            m_helperWaiting = true;
            m_changed.wait(lock);
            m_helperWaiting = false;
        }
    }
}

void LookAhead::start(int64_t count, Make make)
{
    stop();
    {
        std::lock_guard lock(m_mutex);
        m_make = std::move(make);
        m_count = count;
        m_resumeAt = 0;
    }
    m_changed.notify_all();
}

void LookAhead::extend(int64_t count)
{
    bool wake;
    {
        std::lock_guard lock(m_mutex);
        if (count <= m_count)
            return;
        m_count = count;
        // A waiting helper looks again: it may have made the whole sequence.
        wake = m_helperWaiting;
    }
    if (wake)
        m_changed.notify_all();
}

int LookAhead::take(int64_t index)
{
    std::unique_lock lock(m_mutex);
    if (index != m_taken || index >= m_count)
        return -1;
    if (m_made <= index) {
        // At most as far as the helper may go with the caller's slot held, and no
        // further than the sequence.
        m_callerWakeAt = std::min({index + 1 + std::min(m_depth / 2, kCallerBatch), m_count, m_taken + m_depth - 1});
        m_callerWaiting = true;
        m_changed.wait(lock, [&] { return m_made >= m_callerWakeAt; });
        m_callerWaiting = false;
    }
    m_taken = index + 1;
    // The slot held before is free for the helper now.
    const bool wake = m_helperWaiting && m_taken >= m_resumeAt;
    lock.unlock();
    if (wake)
        m_changed.notify_all();
    return static_cast<int>(index % m_depth);
}

void LookAhead::stop()
{
    std::unique_lock lock(m_mutex);
    ++m_generation;
    m_count = m_made = m_taken = 0;
    if (m_making) {
        m_callerWaiting = true;
        m_changed.wait(lock, [&] { return !m_making; });
        m_callerWaiting = false;
    }
    m_make = nullptr;
}

}  // namespace kelvox
