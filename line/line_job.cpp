#include "line/line_job.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarnwell::line {

std::vector<UnitRecord> RunLineJob(const LineJob& job, LineObserver& observer, const std::atomic<bool>& stop,
                                   const std::function<void()>& tick) {
    const size_t count = job.units.size();
    std::vector<UnitRecord> records(count);
    const size_t workers = job.jobs <= 0 ? count : std::min(count, static_cast<size_t>(job.jobs));

    std::mutex mutex;
    std::condition_variable finished;
    size_t next = 0, running = workers;
    auto work = [&] {
        for (;;) {
            size_t index;
            {
                std::lock_guard lock(mutex);
                if (next == count || stop.load()) break;
                index = next++;
            }
            records[index] = RunUnit(job.units[index], job.settings, observer, stop);
        }
        std::lock_guard lock(mutex);
        --running;
        finished.notify_all();
    };
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (size_t i = 0; i < workers; ++i) threads.emplace_back(work);
    {
        std::unique_lock lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(200));
            if (tick) {
                lock.unlock();
                tick();
                lock.lock();
            }
        }
    }
    for (auto& thread : threads) thread.join();

    // Units the stop kept from starting still get their record.
    for (size_t index = next; index < count; ++index) {
        UnitRecord& record = records[index];
        record.plan = job.units[index];
        record.outcome = UnitOutcome::Stopped;
        record.notRun = job.settings.steps.InOrder();
        observer.UnitEnded(record);
    }
    return records;
}

} // namespace tarnwell::line
