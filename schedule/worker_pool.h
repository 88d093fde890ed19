// A fixed set of worker threads for fork-join work: the caller hands out `count` tasks,
// goes on with its own work, and then takes what is left itself and waits for the
// rest. One batch of tasks at a time. Threads start once, on the first use, and stop
// when the pool is destroyed.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// For tests and fuzzing: every start of a worker thread after the next `starts` fails,
// as on a system with no threads left (-1: none fails).
void failThreadStartsAfter(int starts);

class WorkerPool {
 public:
  WorkerPool() = default;
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // How many threads take part (the caller included); at least 1. Fixed once the
  // threads have started (fewer, where the system could not start them all).
  void setThreads(int threads);
  int threads() const { return threads_; }

  // Hands out task(context, i) for i = 0 .. count - 1 to the workers and returns at
  // once. Each i runs exactly once, on one thread; nothing runs before start returns
  // when there are no workers.
  void start(void (*task)(void* context, int index), void* context, int count);

  // Runs the batch's tasks that no worker has taken, then waits until all have run.
  // What the tasks wrote is then visible to the caller.
  void wait();


 private:
  void startThreads();
  void work();
  void takeTasks();

  int threads_ = 1;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  uint64_t generation_ = 0;  // a new batch of tasks
  bool stopping_ = false;
  void (*task_)(void*, int) = nullptr;
  void* context_ = nullptr;
  int count_ = 0;
  int next_ = 0;      // the next task to hand out
  int finished_ = 0;  // tasks run to the end
};
