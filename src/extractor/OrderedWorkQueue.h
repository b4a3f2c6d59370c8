// Runs a job for each of `count` items on several threads and hands the results
// back strictly in item order, each as soon as it and all before it are done.
// Workers run at most `window` items ahead of the consumer, so a slow item holds
// back only that many finished results in memory, however many items there are.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

template <typename T>
class OrderedWorkQueue {
public:
    OrderedWorkQueue(size_t count, std::function<T(size_t)> job, unsigned threads, size_t window)
        : m_count(count), m_job(std::move(job)), m_window(window < 1 ? 1 : window)
    {
        if (threads < 1)
            threads = 1;
        if (threads > count)
            threads = static_cast<unsigned>(count);
        for (unsigned i = 0; i < threads; ++i)
            m_workers.emplace_back([this] { work(); });
    }

    ~OrderedWorkQueue()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_cancelled = true;
        }
        m_changed.notify_all();
        for (std::thread &t : m_workers)
            t.join();
    }

    OrderedWorkQueue(const OrderedWorkQueue &) = delete;
    OrderedWorkQueue &operator=(const OrderedWorkQueue &) = delete;

    // Waits up to `timeout` for the next result in order. False when it is not ready
    // yet (or every result has been taken).
    bool takeNext(T *out, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_taken >= m_count)
            return false;
        if (!m_changed.wait_for(lock, timeout, [this] { return m_ready.count(m_taken) > 0; }))
            return false;
        auto it = m_ready.find(m_taken);
        *out = std::move(it->second);
        m_ready.erase(it);
        ++m_taken;
        lock.unlock();
        m_changed.notify_all();   // the window has moved on
        return true;
    }

    size_t finished() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_finished;
    }

    size_t taken() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_taken;
    }

private:
    void work()
    {
        for (;;) {
            size_t index;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] {
                    return m_cancelled || m_next >= m_count || m_next < m_taken + m_window;
                });
                if (m_cancelled || m_next >= m_count)
                    return;
                index = m_next++;
            }
            T result = m_job(index);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_ready.emplace(index, std::move(result));
                ++m_finished;
            }
            m_changed.notify_all();
        }
    }

    const size_t m_count;
    const std::function<T(size_t)> m_job;
    const size_t m_window;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<size_t, T> m_ready;
    size_t m_next = 0;       // next item to start
    size_t m_taken = 0;      // results handed out
    size_t m_finished = 0;
    bool m_cancelled = false;
    std::vector<std::thread> m_workers;
};
