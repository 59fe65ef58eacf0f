#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace qv {

// One thread that runs one job at a time for its owner: start() hands a job over, wait() waits
// for it to end and throws what it threw. The thread lives as long as the worker, so handing
// over a job costs a wake-up, not a thread.
class BackgroundWorker {
  public:
    BackgroundWorker();
    // Waits for a job still running (its failure is dropped), then ends the thread.
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // The worker must be idle: a job started and not yet waited for is a logic error.
    void start(std::function<void()> job);
    // Nothing happens when no job was started since the last wait.
    void wait();
    bool busy() const { return busy_; }

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> job_;
    bool busy_ = false;      // the owner's view: started and not yet waited for
    bool finished_ = false;  // the job handed over has ended
    bool stopping_ = false;
    std::exception_ptr failure_;
    // Last: the thread starts in the constructor and uses every member above from its first
    // instruction, so they must be made before it.
    std::thread thread_;
};

}  // namespace qv
