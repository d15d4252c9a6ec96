#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

#include "imaging/PictureLoader.h"
#include "platform/sync/Semaphore.h"
#include "viewer-plugin/loading/Downloader.h"

// The loading half of the view model: the decoder over the download's buffer, the byte
// counts, the loader thread and the two locks the viewer shares with it. Counts are 64-bit
// so no size of a download can wrap them.
class AlbumLoader final : public DownloadReader {
public:
    // The expected count before the download has ended without announcing its size.
    static constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();
    // A progressive pass waits for more than this many new bytes, unless all have come.
    static constexpr std::uint64_t kPassBytes = 10240;

    enum State { kIdle = 0, kStarted = 1, kFirstRows = 2, kFinished = 3 };
    enum Report { kNoReport = 0, kNewRows = 1, kLoaderLeft = 2 };

    AlbumLoader() = default;
    ~AlbumLoader() override;
    AlbumLoader(const AlbumLoader&) = delete;
    AlbumLoader& operator=(const AlbumLoader&) = delete;

    // The counts the download feeds (the loader section). Setting the expected count to
    // the final one when the download ends lets the loader run its last pass.
    void SetAvailable(std::uint64_t bytes);
    void SetExpected(std::uint64_t bytes);
    std::uint64_t Available();
    std::uint64_t Expected();
    std::uint64_t Decoded();

    int GetState() const { return state_; }
    void SetState(int state) { state_ = state; }
    // The report, cleared as it is read.
    int TakeReport();
    bool IsProgressive() const { return progressive_; }
    void SetProgressive(bool on) { progressive_ = on; }
    // A loader thread exists and has not ended yet.
    bool IsRunning() const { return running_; }

    platform::Semaphore& LoaderSemaphore() override { return loaderSemaphore_; }
    platform::Semaphore& CanvasSemaphore() { return canvasSemaphore_; }
    void StopLoading() override;
    void BufferMoved(const std::uint8_t* block) override;

private:
    friend class Album;

    // Waits until a pass is worth running or a stop is asked for; true for a pass.
    bool WaitForPass();
    void SetReport(int report);
    // Asks the thread to stop and waits for it to end.
    void Join();

    std::unique_ptr<PictureLoader> decoder_;
    std::mutex section_;
    std::condition_variable changed_;
    std::uint64_t available_ = 0;
    std::uint64_t expected_ = kUnknown;
    std::uint64_t decoded_ = 0;
    int report_ = kNoReport;
    std::atomic<int> state_{kIdle};
    std::atomic<bool> stop_{false};
    std::atomic<bool> progressive_{false};
    std::atomic<bool> running_{false};
    bool canvasSized_ = false;  // set before the thread starts
    platform::Semaphore loaderSemaphore_{1, 1};
    platform::Semaphore canvasSemaphore_{1, 1};
    std::thread thread_;
};
