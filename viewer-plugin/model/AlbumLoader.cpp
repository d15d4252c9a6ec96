#include "viewer-plugin/model/AlbumLoader.h"

AlbumLoader::~AlbumLoader() {
    Join();
}

void AlbumLoader::SetAvailable(std::uint64_t bytes) {
    {
        std::lock_guard lock(section_);
        available_ = bytes;
    }
    changed_.notify_all();
}

void AlbumLoader::SetExpected(std::uint64_t bytes) {
    {
        std::lock_guard lock(section_);
        expected_ = bytes;
    }
    changed_.notify_all();
}

std::uint64_t AlbumLoader::Available() {
    std::lock_guard lock(section_);
    return available_;
}

std::uint64_t AlbumLoader::Expected() {
    std::lock_guard lock(section_);
    return expected_;
}

std::uint64_t AlbumLoader::Decoded() {
    std::lock_guard lock(section_);
    return decoded_;
}

int AlbumLoader::TakeReport() {
    std::lock_guard lock(section_);
    const int report = report_;
    report_ = kNoReport;
    return report;
}

void AlbumLoader::SetReport(int report) {
    std::lock_guard lock(section_);
    report_ = report;
}

void AlbumLoader::StopLoading() {
    {
        std::lock_guard lock(section_);
        stop_ = true;
    }
    changed_.notify_all();
}

void AlbumLoader::BufferMoved(const std::uint8_t* block) {
    if (decoder_) decoder_->SetSource(block, static_cast<std::size_t>(Available()));
}

bool AlbumLoader::WaitForPass() {
    std::unique_lock lock(section_);
    changed_.wait(lock, [this] {
        return stop_ || available_ - std::min(decoded_, available_) > kPassBytes ||
               (expected_ != kUnknown && available_ >= expected_);
    });
    return !stop_;
}

void AlbumLoader::Join() {
    StopLoading();
    if (thread_.joinable()) thread_.join();
}
