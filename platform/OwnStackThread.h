#pragma once

// What both sides of the platform layer share for RunOnOwnStack: the work and its
// completion, owned jointly by the caller and the thread, so that a thread left
// running over budget touches nothing the caller has freed.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace Platform {

struct OwnStackJob {
    std::function<void()> work;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;

    // The thread's body: `self` is a heap-held shared pointer the thread deletes.
    static void RunAndRelease(void* self)
    {
        const std::unique_ptr<std::shared_ptr<OwnStackJob>> held(static_cast<std::shared_ptr<OwnStackJob>*>(self));
        OwnStackJob& job = **held;
        job.work();
        const std::lock_guard<std::mutex> lock(job.mutex);
        job.done = true;
        job.finished.notify_all();
    }

    bool WaitFor(long budgetMilliseconds)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (budgetMilliseconds < 0) {
            finished.wait(lock, [this] { return done; });
            return true;
        }
        return finished.wait_for(lock, std::chrono::milliseconds(budgetMilliseconds), [this] { return done; });
    }
};

}  // namespace Platform
