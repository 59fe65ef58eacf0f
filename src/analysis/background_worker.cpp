#include "analysis/background_worker.h"

#include <stdexcept>

namespace qv {

BackgroundWorker::BackgroundWorker() : thread_([this] { run(); }) {}

BackgroundWorker::~BackgroundWorker() {
    {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return !busy_ || finished_; });
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void BackgroundWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || job_ != nullptr; });
        if (stopping_) {
            return;
        }
        std::function<void()> job = std::move(job_);
        job_ = nullptr;
        lock.unlock();
        std::exception_ptr failure;
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        finished_ = true;
        wake_.notify_all();
    }
}

void BackgroundWorker::start(std::function<void()> job) {
    if (busy_) {
        throw std::logic_error("BackgroundWorker: a job is already running");
    }
    {
        const std::lock_guard lock(mutex_);
        job_ = std::move(job);
        finished_ = false;
        failure_ = nullptr;
        busy_ = true;
    }
    wake_.notify_all();
}

void BackgroundWorker::wait() {
    if (!busy_) {
        return;
    }
    std::exception_ptr failure;
    {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return finished_; });
        busy_ = false;
        failure = failure_;
        failure_ = nullptr;
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace qv
