#include "schedule/worker_pool.h"

#include <atomic>
#include <cerrno>
#include <system_error>

namespace {

std::atomic<int> threadStartsLeft{-1};  // for tests: starts that may still succeed (-1: all)

}  // namespace

void failThreadStartsAfter(int starts) { threadStartsLeft = starts; }

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void WorkerPool::setThreads(int threads) {
  if (workers_.empty()) threads_ = threads < 1 ? 1 : threads;  // fixed once started
}

void WorkerPool::startThreads() {
  // A thread the system cannot start (no threads or memory left for this user) leaves
  // the work to those that did start and to the caller: the results are the same.
  try {
    workers_.reserve(static_cast<size_t>(threads_ - 1));
    for (int i = 1; i < threads_; ++i) {
      if (threadStartsLeft.load() == 0) throw std::system_error(EAGAIN, std::generic_category(), "thread start refused");
      if (threadStartsLeft.load() > 0) threadStartsLeft -= 1;
      workers_.emplace_back([this] { work(); });
    }
  } catch (const std::exception&) {
    threads_ = static_cast<int>(workers_.size()) + 1;
  }
}

void WorkerPool::work() {
  uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
    }
    takeTasks();
  }
}

// Takes tasks until none are left to hand out.
void WorkerPool::takeTasks() {
  for (;;) {
    int index;
    void (*task)(void*, int);
    void* context;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (next_ >= count_) return;
      index = next_++;
      task = task_;
      context = context_;
    }
    task(context, index);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (++finished_ == count_) done_.notify_all();
    }
  }
}

void WorkerPool::start(void (*task)(void* context, int index), void* context, int count) {
  if (threads_ > 1 && count > 1 && workers_.empty()) startThreads();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = task;
    context_ = context;
    count_ = count;
    next_ = 0;
    finished_ = 0;
    ++generation_;
  }
  if (!workers_.empty()) wake_.notify_all();
}

void WorkerPool::wait() {
  takeTasks();
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&] { return finished_ == count_; });
}
