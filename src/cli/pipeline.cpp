#include "cli/pipeline.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tess::cli {
namespace {

using Clock = std::chrono::steady_clock;

// One line on standard error, redrawn at most five times a second once the run has lasted a
// second: files done (of how many, once the walk has ended), files per second, failures.
class Progress {
  public:
    explicit Progress(bool wanted) : wanted_(wanted) {}
    ~Progress() { clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::size_t done, std::optional<std::size_t> total, std::size_t failed) {
        const auto now = Clock::now();
        if (!wanted_ || now - start_ < std::chrono::seconds(1) ||
            (shown_ && now - last_ < std::chrono::milliseconds(200)))
            return;
        last_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        char of[32] = "";
        if (total) std::snprintf(of, sizeof of, " of %zu", *total);
        std::fprintf(stderr, "\r\033[K%zu%s files, %.0f files/s, %zu failed", done, of,
                     static_cast<double>(done) / seconds, failed);
        std::fflush(stderr);
        shown_ = true;
    }

    // Takes the line away (before another line goes to standard error, and at the end).
    void clear() {
        if (!shown_) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown_ = false;
        last_ = {};
    }

  private:
    bool wanted_;
    bool shown_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_{};
};

} // namespace

bool runPipeline(Inputs& inputs, const PipelineOptions& options,
                 const std::function<Record(const Input&)>& work,
                 const std::function<void(Record&)>& emit) {
    // Records wait in order for the one before them: up to 32 a worker, so that a large file at
    // the head does not leave the other workers idle, and up to 2 MiB of them a worker, so that
    // memory stays bounded however large the records.
    const std::size_t window = static_cast<std::size_t>(options.jobs) * 32;
    const std::size_t heldLimit = static_cast<std::size_t>(options.jobs) * (2u << 20);
    std::size_t held = 0; // bytes of the records done and not yet written
    std::mutex m;
    std::condition_variable haveJob, haveRoom, haveRecord;
    std::deque<std::pair<std::size_t, Input>> queue;
    std::vector<std::optional<Record>> ring(window); // record n in slot n % window
    std::size_t submitted = 0, emitted = 0;
    std::optional<std::size_t> total;
    bool closed = false;

    const auto worker = [&] {
        std::unique_lock lock(m);
        while (true) {
            haveJob.wait(lock, [&] { return !queue.empty() || closed; });
            if (queue.empty()) return;
            auto [n, input] = std::move(queue.front());
            queue.pop_front();
            lock.unlock();
            Record r;
            try {
                r = work(input);
            } catch (const std::exception& e) { // (no memory, most likely)
                r = {"", "tessaline: " + input.path + ": " + e.what() + "\n", true};
            }
            lock.lock();
            held += r.out.size() + r.err.size();
            ring[n % window] = std::move(r);
            if (n == emitted) haveRecord.notify_one();
        }
    };
    std::vector<std::jthread> workers;
    for (int i = 0; i < options.jobs; ++i)
        workers.emplace_back(worker);
    // The walk has a thread of its own: a list read from a pipe may keep it waiting while the
    // records of the files already named are written.
    std::jthread producer([&] {
        try {
            while (std::optional<Input> input = inputs.next()) {
                std::unique_lock lock(m);
                haveRoom.wait(lock,
                              [&] { return submitted - emitted < window && held < heldLimit; });
                queue.emplace_back(submitted++, std::move(*input));
                haveJob.notify_one();
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tessaline: %s\n", e.what());
        }
        std::lock_guard lock(m);
        total = submitted;
        closed = true;
        haveJob.notify_all();
        haveRecord.notify_one();
    });

    std::atomic<std::size_t> counted = 0;
    std::atomic<bool> countDone = false;
    std::jthread counter;
    if (options.progress && options.count) {
        counter = std::jthread([&](std::stop_token stop) {
            if (const std::optional<std::size_t> n = options.count(stop)) {
                counted = *n;
                countDone = true;
            }
        });
    }
    const auto knownTotal = [&]() -> std::optional<std::size_t> {
        if (total) return total;
        return countDone ? std::optional<std::size_t>(counted) : std::nullopt;
    };
    Progress progress(options.progress);
    bool failed = false;
    std::size_t failures = 0;
    std::unique_lock lock(m);
    while (true) {
        const bool ready = haveRecord.wait_for(lock, std::chrono::milliseconds(200), [&] {
            return ring[emitted % window].has_value() || (closed && emitted == submitted);
        });
        if (!ready) {
            const auto known = knownTotal();
            const std::size_t done = emitted;
            lock.unlock();
            progress.update(done, known, failures);
            lock.lock();
            continue;
        }
        if (!ring[emitted % window]) break; // every record written
        Record r = std::move(*ring[emitted % window]);
        ring[emitted % window].reset();
        held -= r.out.size() + r.err.size();
        ++emitted;
        haveRoom.notify_one();
        const auto known = knownTotal();
        const std::size_t done = emitted;
        lock.unlock();
        if (r.failed) failed = true, ++failures;
        if (!r.err.empty()) progress.clear();
        emit(r);
        progress.update(done, known, failures);
        lock.lock();
    }
    return failed;
}

} // namespace tess::cli
