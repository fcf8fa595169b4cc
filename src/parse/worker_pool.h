#pragma once

// The threads of a parse: both passes hand their pieces of the log to one
// pool and take the pieces' results back in log order.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace qorn::parse {

// How many threads parse pieces of a log at once.
inline constexpr size_t kWorkers = 2;

// Runs `work(k, quit)` (which returns a Result) for the pieces k = 0 .. count
// - 1 on up to kWorkers threads, and hands each result to `take(k, result)`
// on the calling thread, in order. A piece starts only while fewer than
// `ahead` pieces stand between it and the last one taken, so at most that
// many results are held at a time. While a piece is awaited, `waiting()` is
// called on the calling thread every tenth of a second. An exception of a
// piece is thrown here when its turn comes; one from `take` or `waiting`
// sets `quit` (a piece may stop early on it) and is thrown on once the
// threads have ended.
template <typename Result, typename Work, typename Take, typename Waiting>
void RunInOrder(size_t count, size_t ahead, Work&& work, Take&& take, Waiting&& waiting) {
  std::vector<std::optional<Result>> results(count);
  std::vector<std::exception_ptr> errors(count);
  std::vector<char> done(count, 0);
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<bool> quit = false;
  size_t next = 0;   // the next piece to start
  size_t taken = 0;  // the pieces handed over

  auto run = [&] {
    for (;;) {
      size_t k;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return quit || next >= count || next < taken + ahead; });
        if (quit || next >= count) return;
        k = next++;
      }
      std::optional<Result> result;
      std::exception_ptr error;
      try {
        result.emplace(work(k, quit));
      } catch (...) {
        error = std::current_exception();
      }
      const std::lock_guard lock(mutex);
      results[k] = std::move(result);
      errors[k] = error;
      done[k] = 1;
      changed.notify_all();
    }
  };
  // The threads are told to stop and joined when this scope is left, also by
  // an exception.
  struct Threads {
    std::mutex& mutex;
    std::condition_variable& changed;
    std::atomic<bool>& quit;
    std::vector<std::thread> threads;
    ~Threads() {
      {
        const std::lock_guard lock(mutex);
        quit = true;
      }
      changed.notify_all();
      for (std::thread& t : threads) t.join();
    }
  } threads{mutex, changed, quit, {}};
  for (size_t t = 0; t < std::min(count, kWorkers); ++t) threads.threads.emplace_back(run);

  for (size_t k = 0; k < count; ++k) {
    std::optional<Result> result;
    {
      std::unique_lock lock(mutex);
      // Woken early only when the piece is done, not by every other change.
      while (
          !changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return done[k] != 0; })) {
        lock.unlock();
        waiting();
        lock.lock();
      }
      if (errors[k]) std::rethrow_exception(errors[k]);
      result = std::move(results[k]);
      results[k].reset();
    }
    take(k, std::move(*result));
    {
      const std::lock_guard lock(mutex);
      taken = k + 1;
    }
    changed.notify_all();
  }
}

}  // namespace qorn::parse
