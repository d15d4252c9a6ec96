#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include <condition_variable>
#include <mutex>
#include <random>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "studio/core/FileSelection.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "testing/QtTestApp.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

using testing_support::TempDir;
using testing_support::TestApplication;

// A renderer that counts its decodes, may dawdle, and paints each file in a colour taken
// from its folder, so a stale picture shows.
class FakeRenderer {
public:
    explicit FakeRenderer(int delayMs = 0) {
        SetThumbnailRenderer(
            [this, delayMs](const std::string& path) -> std::optional<RenderedThumbnail> {
                decodes.fetch_add(1);
                if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                RenderedThumbnail out;
                out.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
                out.image.fill(QColor::fromRgb(static_cast<QRgb>(
                    std::hash<std::string>{}(path.substr(0, path.rfind('/'))) & 0xFFFFFF)));
                out.info.width = 10;
                out.info.height = 10;
                return out;
            });
    }
    ~FakeRenderer() { SetThumbnailRenderer({}); }
    std::atomic<int> decodes{0};
};

// Another program's copy: written in a folder of its own, then moved in at once, so the
// shown folder sees one change.
void CopyIn(const TempDir& temp, const std::string& name, std::string_view bytes) {
    const std::string part = temp.Write("incoming/" + name, bytes);
    std::rename(part.c_str(), temp.Path(name).c_str());
}

TEST(FileViewLoadTest, OnlyTheLastOfQuicklyChosenFoldersIsShown) {
    TestApplication();
    TempDir temp;
    FakeRenderer renderer(20);
    std::vector<std::string> folders;
    for (const char* name : {"one", "two", "three"}) {
        const std::string folder = temp.Path(name);
        for (int i = 0; i < 6; ++i)
            temp.Write(std::string(name) + "/" + name + std::to_string(i) + ".jpg", "x");
        folders.push_back(folder);
    }
    FileView view;
    // A folder of the same names chosen after one shown whole: nothing of the first stays
    // selectable while the second is read, else a command would act on the second's file.
    temp.Write("same/one0.jpg", "x");
    view.SetFolder(PidlPath(folders.front()));
    ASSERT_TRUE(WaitLoaded(view));
    view.setCurrentRow(0);
    ASSERT_EQ(view.selectedItems().size(), 1);
    view.SetFolder(PidlPath(temp.Path("same")));
    EXPECT_EQ(view.count(), 0);
    EXPECT_TRUE(view.selectedItems().isEmpty());
    for (const std::string& folder : folders) {
        view.SetFolder(PidlPath(folder));
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(WaitLoaded(view));
    ASSERT_EQ(view.count(), 6);
    const std::string last = folders.back() + "/";
    const QRgb colour = static_cast<QRgb>(std::hash<std::string>{}(folders.back()) & 0xFFFFFF);
    for (int row = 0; row < view.count(); ++row) {
        EXPECT_EQ(view.item(row)->text().left(5), "three");
        const int slot = view.GetItemSlot(row);
        ASSERT_GE(slot, kFirstThumbnailSlot);
        EXPECT_EQ(view.Images().Image(slot).pixel(5, 5) & 0xFFFFFF, colour);
    }
    for (const auto& [slot, info] : view.Images().Thumbnails()) {
        if (info.valid) {
            EXPECT_EQ(info.fileName.rfind(last, 0), 0u) << info.fileName;
        }
    }
}

TEST(FileViewLoadTest, AFileCopiedInIsAddedWithoutDecodingTheOthersAgain) {
    TestApplication();
    TempDir temp;
    FakeRenderer renderer;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) temp.Write(name, "x");
    temp.Write("incoming/keep", "");
    FileView view;
    view.SetFolder(PidlPath(temp.path()));
    ASSERT_TRUE(WaitLoaded(view));
    ASSERT_TRUE(view.IsWatching());
    EXPECT_EQ(renderer.decodes.load(), 3);

    const int before = view.GetGeneration();
    CopyIn(temp, "d.jpg", "x");
    ASSERT_TRUE(ServeEventsUntil([&] { return view.count() == 5 && view.IsLoadComplete(); }));
    // One notice, one refresh: a bump for the change and one for the refresh.
    QCoreApplication::processEvents();
    EXPECT_EQ(view.GetGeneration(), before + 2);
    EXPECT_EQ(renderer.decodes.load(), 4);

    // A file whose size changed is decoded again; the others still are not.
    CopyIn(temp, "b.jpg", "longer now");
    ASSERT_TRUE(ServeEventsUntil([&] { return renderer.decodes.load() == 5; }));
    ASSERT_TRUE(WaitLoaded(view));
    EXPECT_EQ(renderer.decodes.load(), 5);
    EXPECT_EQ(view.count(), 5);  // "incoming" and four pictures
    for (int row = 1; row < view.count(); ++row)
        EXPECT_GE(view.GetItemSlot(row), kFirstThumbnailSlot);
}

TEST(FileViewLoadTest, DestroyingTheListWaitsForItsWorkers) {
    TestApplication();
    TempDir temp;
    // Slow enough that a loaded machine cannot finish the 40 decodes before the reset.
    FakeRenderer renderer(50);
    for (int i = 0; i < 40; ++i) temp.Write("p" + std::to_string(i) + ".jpg", "x");
    auto view = std::make_unique<FileView>();
    view->SetDecodeThreads(3);
    view->SetFolder(PidlPath(temp.path()));
    ASSERT_TRUE(ServeEventsUntil([&] { return view->count() == 40; }));
    view.reset();  // must join the thumbnail worker mid-way
    QCoreApplication::processEvents();
    EXPECT_LT(renderer.decodes.load(), 40);
}

TEST(FileViewLoadTest, APlaceOutsideTheFileSystemHasNoWatcher) {
    TestApplication();
    FileView view;
    PidlPath desktop;
    desktop.SetDesktop();
    view.SetFolder(desktop);
    EXPECT_FALSE(view.IsWatching());
    EXPECT_TRUE(view.GetFolderText().empty());
    ASSERT_TRUE(WaitLoaded(view));
}

// A decode the test holds until it lets go (or a minute passes).
class HeldRenderer {
public:
    HeldRenderer() {
        SetThumbnailRenderer([this](const std::string&) -> std::optional<RenderedThumbnail> {
            std::unique_lock hold(mutex_);
            started_ = true;
            changed_.notify_all();
            changed_.wait_for(hold, std::chrono::seconds(60), [this] { return released_; });
            RenderedThumbnail out;
            out.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
            out.image.fill(Qt::red);
            return out;
        });
    }
    ~HeldRenderer() {
        Release();
        SetThumbnailRenderer({});
    }
    bool WaitStarted() {
        std::unique_lock hold(mutex_);
        return changed_.wait_for(hold, std::chrono::seconds(30), [this] { return started_; });
    }
    void Release() {
        std::lock_guard hold(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    bool Released() {
        std::lock_guard hold(mutex_);
        return released_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool released_ = false;
};

TEST(FileViewLoadTest, LeavingAFolderNeverWaitsForItsDecodeAndDropsItsLateResults) {
    TestApplication();
    TempDir temp;
    temp.Write("slow/big.png", "x");
    temp.Write("next/page.htm", "<html></html>");
    HeldRenderer renderer;
    FileView view;
    view.SetFolder(PidlPath(temp.Path("slow")));
    ASSERT_TRUE(ServeEventsUntil([&] { return view.count() == 1; }));
    ASSERT_TRUE(renderer.WaitStarted());

    // The window goes on while the old folder's picture is still being decoded.
    view.SetFolder(PidlPath(temp.Path("next")));
    EXPECT_FALSE(renderer.Released());
    ASSERT_TRUE(WaitLoaded(view));
    ASSERT_EQ(view.count(), 1);
    EXPECT_EQ(view.item(0)->text(), "page.htm");
    EXPECT_EQ(view.GetItemSlot(0), kSlotPage);
    EXPECT_GE(view.GetRunningWorkers(), 1);  // the old decode still runs

    // Its picture, when it comes, belongs to no item shown.
    renderer.Release();
    ASSERT_TRUE(ServeEventsUntil([&] { return view.GetRunningWorkers() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.GetItemSlot(0), kSlotPage);
    for (const auto& [slot, info] : view.Images().Thumbnails()) EXPECT_FALSE(info.valid) << slot;
}

TEST(FileViewLoadTest, AFolderThatCannotBeReadEmptiesTheListAndSaysSo) {
    TestApplication();
    TempDir temp;
    FakeRenderer renderer;
    temp.Write("shown/same.jpg", "x");
    temp.Write("gone/same.jpg", "x");
    temp.Write("closed/same.jpg", "x");
    testing_support::ScriptedPrompts prompts;
    FileSelection selection;
    FileView view;
    view.SetSelection(&selection);
    view.SetFolder(PidlPath(temp.Path("shown")));
    ASSERT_TRUE(WaitLoaded(view));
    ASSERT_EQ(view.count(), 1);

    // Deleted between being chosen and being read.
    const PidlPath gone(temp.Path("gone"));
    std::filesystem::remove_all(temp.Path("gone"));
    view.SetFolder(gone);
    ASSERT_TRUE(WaitLoaded(view));
    EXPECT_EQ(view.count(), 0);
    EXPECT_FALSE(view.IsFolderReadable());
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Cannot open the folder '" + temp.Path("gone") + "'.");
    EXPECT_EQ(prompts.calls()[0].caption, "Open folder");
    // Select All and Delete then have nothing to act on.
    view.SelectAll();
    EXPECT_FALSE(selection.HasItems());
    EXPECT_TRUE(view.Images().Thumbnails().empty());

    // A folder the user may not read (root reads anything, so only another user sees it).
    if (::geteuid() != 0) {
        ::chmod(temp.Path("closed").c_str(), 0);
        view.SetFolder(PidlPath(temp.Path("closed")));
        ASSERT_TRUE(WaitLoaded(view));
        EXPECT_EQ(view.count(), 0);
        EXPECT_EQ(prompts.calls().size(), 2u);
        ::chmod(temp.Path("closed").c_str(), 0755);
    }

    // Readable again: the list shows it.
    view.SetFolder(PidlPath(temp.Path("shown")));
    ASSERT_TRUE(WaitLoaded(view));
    EXPECT_EQ(view.count(), 1);
    EXPECT_TRUE(view.IsFolderReadable());

    // Shown, then deleted by another program: the refresh empties the list without a word.
    std::filesystem::remove_all(temp.Path("shown"));
    ASSERT_TRUE(ServeEventsUntil([&] { return view.count() == 0 && view.IsLoadComplete(); }));
    EXPECT_LE(prompts.calls().size(), 2u);
}

// A PNG of noise, large enough that its decode takes a while.
QByteArray NoisePng() {
    QImage image(1600, 1600, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) row[x] = random();
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return bytes;
}

TEST(FileViewLoadTest, AFileCutShortWhileItIsReadIsBrokenOrPartialAndTheStudioGoesOn) {
    TestApplication();
    TempDir temp;
    const QByteArray png = NoisePng();
    std::mt19937 random(11);
    for (int round = 0; round < 6; ++round) {
        const std::string folder = temp.Path("round" + std::to_string(round));
        const std::string path = folder + "/cut.png";
        temp.Write("round" + std::to_string(round) + "/cut.png",
                   std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
        FileView view;
        view.SetFolder(PidlPath(folder));
        // The viewer reads the same file meanwhile.
        std::thread viewer([&path] {
            for (int i = 0; i < 3; ++i) LoadPictureAsDIB(path, nullptr, nullptr, nullptr);
        });
        // Another program cuts the file short at some moment of the reading.
        const int delayMs = static_cast<int>(random() % 40);
        const pid_t cutter = ::fork();
        ASSERT_GE(cutter, 0);
        if (cutter == 0) {
            ::usleep(static_cast<useconds_t>(delayMs) * 1000);
            ::_exit(::truncate(path.c_str(), 2000) == 0 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(cutter, &status, 0), cutter);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_TRUE(WaitLoaded(view));
        viewer.join();
        ASSERT_EQ(view.count(), 1);
        const int slot = view.GetItemSlot(0);
        EXPECT_TRUE(slot == kSlotBroken || slot >= kFirstThumbnailSlot) << slot;
    }
}

}  // namespace
