// Row-parallel loops. Threading: a pool serves one render call at a time; its owner may keep it.
//
// A frame is some forty short passes, each a fraction of a millisecond. Putting a worker to sleep
// and waking it through the kernel after every pass cost about as much as the worker saved, so
// both sides spin briefly first: a worker polls for the next pass before it sleeps, and the
// caller polls for the last chunk to finish before it waits. Chunks are claimed with one atomic
// add rather than under the lock. The lock still orders a worker joining a pass against the
// caller closing it, so no worker ever runs a chunk of a pass that has returned.
#include "render/Parallel.h"

#include <algorithm>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
#include <immintrin.h>
#endif

namespace lumara::render {

namespace {

// About 20 to 50 microseconds of polling on current x86 cores: longer than the gap between two
// passes of a frame, far shorter than the gap between frames of the live canvas.
constexpr int kSpinRounds = 4000;

inline void relax()
{
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

} // namespace

WorkerPool::WorkerPool(int threads)
{
    int n = threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
    n = std::clamp(n, 1, kMaxThreads);
    m_workers.reserve(static_cast<std::size_t>(n - 1));
    for (int i = 1; i < n; ++i) m_workers.emplace_back([this] { workerLoop(); });
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_generation.fetch_add(1, std::memory_order_release);
    }
    m_wake.notify_all();
    for (auto& t : m_workers) t.join();
}

void WorkerPool::runChunks(const std::function<void(int, int)>& body, int count, int chunk)
{
    for (;;) {
        const int begin = m_next.fetch_add(chunk, std::memory_order_relaxed);
        if (begin >= count) return;
        body(begin, std::min(begin + chunk, count));
    }
}

void WorkerPool::workerLoop()
{
    unsigned seen = 0;
    for (;;) {
        for (int i = 0; i < kSpinRounds && m_generation.load(std::memory_order_acquire) == seen; ++i) relax();
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_generation.load(std::memory_order_relaxed) != seen; });
        if (m_stop) return;
        seen = m_generation.load(std::memory_order_relaxed);
        // A worker that arrives after every chunk has been taken has nothing to do, and the
        // caller does not wait for it: a worker the system schedules late never holds up a pass.
        if (m_next.load(std::memory_order_relaxed) >= m_count) continue;
        m_active.fetch_add(1, std::memory_order_relaxed);
        const std::function<void(int, int)>& body = *m_body;
        const int count = m_count, chunk = m_chunk;
        lock.unlock();
        runChunks(body, count, chunk);
        if (m_active.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            // Under the lock, so the caller is either still polling or already waiting.
            std::lock_guard done(m_mutex);
            m_done.notify_one();
        }
    }
}

void WorkerPool::forChunks(int count, int chunk, const std::function<void(int, int)>& body)
{
    if (count <= 0) return;
    chunk = std::max(chunk, 1);
    if (m_workers.empty() || count <= chunk) {
        for (int b = 0; b < count; b += chunk) body(b, std::min(b + chunk, count));
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_body = &body;
        m_count = count;
        m_chunk = chunk;
        m_next.store(0, std::memory_order_relaxed);
        m_generation.fetch_add(1, std::memory_order_release);
    }
    m_wake.notify_all();
    runChunks(body, count, chunk);
    // Every chunk is taken; wait for the workers still running one. A worker joins a pass only
    // under the lock and only while chunks remain, so once the count reads zero under the lock
    // no worker can still join this pass.
    for (int i = 0; i < kSpinRounds && m_active.load(std::memory_order_acquire) != 0; ++i) relax();
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return m_active.load(std::memory_order_acquire) == 0; });
    m_body = nullptr;
    m_count = 0;
}

} // namespace lumara::render
