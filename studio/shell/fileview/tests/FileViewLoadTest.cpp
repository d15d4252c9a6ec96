#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace {

using testing_support::TempDir;
using testing_support::TestApplication;

// A renderer that counts its decodes, may dawdle, and paints each file in a colour taken
// from its folder, so a stale picture shows.
class FakeRenderer {
public:
    explicit FakeRenderer(int delayMs = 0) {
        SetThumbnailRenderer([this, delayMs](const std::string& path)
                                 -> std::optional<RenderedThumbnail> {
            decodes.fetch_add(1);
            if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            RenderedThumbnail out;
            out.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
            out.image.fill(QColor::fromRgb(static_cast<QRgb>(std::hash<std::string>{}(
                path.substr(0, path.rfind('/'))) & 0xFFFFFF)));
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
        for (int i = 0; i < 6; ++i) temp.Write(std::string(name) + "/" + name + std::to_string(i) + ".jpg", "x");
        folders.push_back(folder);
    }
    FileView view;
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
    for (int row = 1; row < view.count(); ++row) EXPECT_GE(view.GetItemSlot(row), kFirstThumbnailSlot);
}

TEST(FileViewLoadTest, DestroyingTheListWaitsForItsWorkers) {
    TestApplication();
    TempDir temp;
    FakeRenderer renderer(5);
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

}  // namespace
