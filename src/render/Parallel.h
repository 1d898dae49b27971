// Row-parallel loops for render calls: a small pool of workers, started once and used by one call
// at a time (a caller may keep it between frames, so no thread is started per frame).
// Work is cut into fixed chunks that do not depend on the thread count, so every row is computed
// by the same code with the same inputs whichever thread runs it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumara::render {

class WorkerPool {
public:
    // threads: 0 = all cores; the pool never starts more than kMaxThreads workers.
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threadCount() const { return static_cast<int>(m_workers.size()) + 1; }

    // Calls body(begin, end) over [0, count) in chunks of `chunk` indices, on all threads, and
    // returns when every chunk is done. body must only write data that belongs to its indices.
    void forChunks(int count, int chunk, const std::function<void(int, int)>& body);

    static constexpr int kMaxThreads = 64;

private:
    void workerLoop();
    void runChunks(const std::function<void(int, int)>& body, int count, int chunk);

    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    // The current pass, written under m_mutex while no worker runs one.
    const std::function<void(int, int)>* m_body = nullptr;
    int m_count = 0;
    int m_chunk = 1;
    bool m_stop = false;
    std::atomic<int> m_next{0};             // next chunk start; may run past m_count
    std::atomic<int> m_active{0};           // workers running chunks of the current pass
    std::atomic<unsigned> m_generation{0};  // changed under m_mutex for each pass and on stop
};

} // namespace lumara::render
