// Work that falls into independent pieces (one for each plugin of a load
// order, one for each output file) done on every core of the machine: a
// master of a gigabyte's load order is read in half the time on two cores.
// Each piece writes only its own result, so the results are the same, in
// the same order, whatever the number of cores; a piece must neither end
// the run nor write to the terminal (the caller does both, in order, once
// every piece is done).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

// Calls job(0) ... job(count - 1), each once, on up to as many threads as
// the machine has cores, the calling thread one of them; returns when all
// are done. Where no more threads can be started, the calling thread does
// the rest. What a job throws (running out of memory) is raised on the
// calling thread once all are done, the first job's in their order first,
// as a run doing them one by one would have raised it.
template <class Job>
void forEachInParallel(std::size_t count, const Job& job) {
  std::vector<std::exception_ptr> thrown(count);
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
      try {
        job(i);
      } catch (...) {
        thrown[i] = std::current_exception();
      }
    }
  };
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> helpers;
  for (std::size_t started = 1; started < std::min(count, cores); ++started) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& failure : thrown) {
    if (failure) std::rethrow_exception(failure);
  }
}
