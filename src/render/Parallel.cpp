// Row-parallel loops. Threading: a pool serves one render call at a time; its owner may keep it.
#include "render/Parallel.h"

#include <algorithm>

namespace lumara::render {

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
    }
    m_wake.notify_all();
    for (auto& t : m_workers) t.join();
}

void WorkerPool::runChunks()
{
    for (;;) {
        int begin;
        {
            std::lock_guard lock(m_mutex);
            if (m_next >= m_count) return;
            begin = m_next;
            m_next += m_chunk;
        }
        (*m_body)(begin, std::min(begin + m_chunk, m_count));
    }
}

void WorkerPool::workerLoop()
{
    unsigned seen = 0;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
        if (m_stop) return;
        seen = m_generation;
        // A worker that wakes after every chunk has been taken has nothing to do, and the caller
        // does not wait for it: a worker the system schedules late never holds up a pass.
        if (m_next >= m_count) continue;
        ++m_active;
        lock.unlock();
        runChunks();
        lock.lock();
        if (--m_active == 0) m_done.notify_one();
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
        m_next = 0;
        ++m_generation;
    }
    m_wake.notify_all();
    runChunks();
    // Every chunk is taken; wait for the workers still running one.
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return m_active == 0; });
    m_body = nullptr;
    m_count = 0;
    m_next = 0;
}

} // namespace lumara::render
