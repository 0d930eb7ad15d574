#include "app/video/clip_writer.h"

#include <utility>

ClipWriter::~ClipWriter() { abandon(); }

void ClipWriter::abandon() {
    stopWorker();
    encoder_.abandon();
}

bool ClipWriter::open(const VideoRequest& request, std::string& error) {
    stopWorker();
    queue_.clear();
    ending_ = false;
    failure_.clear();
    encoded_ = 0;
    if (!encoder_.open(request, error)) return false;
    worker_ = std::thread([this] { work(); });
    return true;
}

bool ClipWriter::addFrame(FrameImage image, std::string& error) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < queueLength || !failure_.empty(); });
    if (!failure_.empty()) {
        error = failure_;
        return false;
    }
    queue_.push_back(std::move(image));
    changed_.notify_all();
    return true;
}

bool ClipWriter::finish(std::string& error) {
    if (!isOpen()) {
        error = "no clip is open";
        return false;
    }
    stopWorker();
    if (!failure_.empty()) {
        error = failure_;
        encoder_.abandon();
        return false;
    }
    return encoder_.finish(error);
}

long ClipWriter::framesEncoded() {
    std::lock_guard<std::mutex> lock(mutex_);
    return encoded_;
}

// Takes frames until the queue is empty and the clip is ending; after a
// failure it only empties the queue.
void ClipWriter::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || ending_; });
        if (queue_.empty()) return;
        FrameImage image = std::move(queue_.front());
        queue_.pop_front();
        bool failed = !failure_.empty();
        lock.unlock();
        std::string error;
        bool added = failed || encoder_.addFrame(image, error);
        lock.lock();
        if (!added) failure_ = error;
        if (!failed && added) encoded_ += 1;
        changed_.notify_all();
    }
}

void ClipWriter::stopWorker() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    worker_.join();
}
