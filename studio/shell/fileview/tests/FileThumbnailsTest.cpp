#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>

#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/FileWorkers.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "testing/TempDir.h"

namespace {

using testing_support::TempDir;
using testing_support::TestApplication;

// A thumbnail with the detail of a photograph: a gradient, shapes and grain.
QImage Photo(unsigned seed) {
    QImage image(kThumbSize, kThumbSize, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 64, 64);
    gradient.setColorAt(0, QColor::fromHsv(static_cast<int>(seed * 40 % 360), 160, 220));
    gradient.setColorAt(1, QColor(30, 60, 110));
    painter.fillRect(image.rect(), gradient);
    for (int k = 0; k < 12; ++k) {
        painter.setBrush(QColor::fromHsv(static_cast<int>((seed + k) * 53 % 360), 140, 200));
        painter.drawEllipse(static_cast<int>((seed * 7 + k * 13) % 56), k * 5, 9, 7);
    }
    painter.end();
    for (int y = 0; y < 64; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < 64; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int d = static_cast<int>((seed >> 16) % 7) - 3;
            row[x] =
                qRgb(std::clamp(qRed(row[x]) + d, 0, 255), std::clamp(qGreen(row[x]) + d, 0, 255),
                     std::clamp(qBlue(row[x]) + d, 0, 255));
        }
    }
    return image;
}

TEST(FileThumbnailsTest, APhotographIsKeptSmallAndCloseArtworkExactly) {
    TestApplication();
    const QImage photo = Photo(7);
    const QByteArray packed = PackThumbnail(photo);
    EXPECT_LT(packed.size(), 4096) << "a 64 x 64 photograph holds 16 KB expanded";
    const QImage back = UnpackThumbnail(packed);
    ASSERT_EQ(back.size(), photo.size());
    double error = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const QRgb a = photo.pixel(x, y);
            const QRgb b = back.pixel(x, y);
            error += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                     std::abs(qBlue(a) - qBlue(b));
        }
    }
    EXPECT_LT(error / (64 * 64 * 3), 10.0) << "mean error per channel";

    QImage art = FixedArtwork(kSlotBroken);
    EXPECT_EQ(UnpackThumbnail(PackThumbnail(art)), art.convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(UnpackThumbnail(QByteArray("not a picture")).isNull());
    EXPECT_TRUE(PackThumbnail(QImage()).isEmpty());
}

TEST(FileThumbnailsTest, FewThumbnailsAreHeldExpandedAndNoneShowsAnOlderPicture) {
    TestApplication();
    FileImages images;
    auto thumbnail = [](const std::string& name, QColor colour) {
        RenderedThumbnail made;
        made.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
        made.image.fill(colour);
        made.info.fileName = name;
        return made;
    };
    std::vector<int> made;
    for (int n = 0; n < 2000; ++n) {
        made.push_back(images.AddThumbnail(
            images.Count(), thumbnail("/p/" + std::to_string(n), QColor(n % 256, 0, 0)), false));
        images.Icon(made.back());
    }
    EXPECT_LE(images.ExpandedCount(), 1024);
    EXPECT_GT(images.ExpandedCount(), 0);
    // Drawn again after others pushed it out, a thumbnail is expanded afresh.
    EXPECT_EQ(images.Icon(made[0]).pixmap(kThumbSize).toImage().pixelColor(5, 5), QColor(0, 0, 0));

    // Replaced while held expanded: the new picture shows.
    const int slot = made.back();
    images.Icon(slot);
    images.AddThumbnail(slot, thumbnail("/p/new", QColor(0, 0, 255)), true);
    EXPECT_EQ(images.Icon(slot).pixmap(kThumbSize).toImage().pixelColor(5, 5), QColor(0, 0, 255));
    EXPECT_EQ(images.Image(slot).pixelColor(5, 5), QColor(0, 0, 255));

    images.CutToFixed();
    EXPECT_EQ(images.ExpandedCount(), 0);
    EXPECT_EQ(images.Count(), static_cast<int>(kFirstThumbnailSlot));
}

// What the worker hands on, in the order it does.
std::vector<std::string> HandedOn(const ThumbnailJob& job, int threads) {
    std::atomic<int> current{job.generation};
    std::vector<std::string> out;
    MakeThumbnails(
        job, current,
        [&](ItemPicture picture) {
            std::string line = std::to_string(picture.index) + " slot " +
                               std::to_string(picture.slot) + " kind " +
                               std::to_string(picture.kind);
            if (picture.thumbnail) {
                line += " " + picture.thumbnail->info.fileName + " " +
                        std::to_string(picture.thumbnail->info.width) + " " +
                        std::to_string(qHash(picture.thumbnail->packed));
            }
            out.push_back(line);
        },
        threads);
    return out;
}

TEST(FileThumbnailsTest, SeveralDecodersGiveWhatOneGivesAndNoMoreRunThanAsked) {
    TestApplication();
    TempDir temp;
    ThumbnailJob job;
    job.generation = 3;
    job.folderText = temp.path() + "/";
    for (int n = 0; n < 60; ++n) {
        const std::string name = "p" + std::to_string(n) + (n % 10 == 9 ? ".bad" : ".jpg");
        std::ofstream(temp.Path(name)) << std::string(static_cast<std::size_t>(n + 1), 'x');
        job.tasks.push_back({n, name, kKindPicture});
    }
    job.tasks.push_back({60, "page.htm", kKindPage});
    std::ofstream(temp.Path("page.htm")) << "<html></html>";
    // The order the rows are wanted in is not the index order.
    std::rotate(job.tasks.begin(), job.tasks.begin() + 25, job.tasks.begin() + 40);

    std::atomic<int> running{0};
    std::atomic<int> most{0};
    SetThumbnailRenderer([&](const std::string& path) -> std::optional<RenderedThumbnail> {
        const int now = running.fetch_add(1) + 1;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        // Later files finish sooner, so decoders finish out of order.
        const auto size = FileSizeOf(path);
        std::this_thread::sleep_for(std::chrono::microseconds(2000 - size * 30));
        running.fetch_sub(1);
        if (path.ends_with(".bad")) return std::nullopt;
        RenderedThumbnail out;
        out.image = Photo(static_cast<unsigned>(size));
        out.info.width = static_cast<int>(size);
        return out;
    });
    const std::vector<std::string> one = HandedOn(job, 1);
    EXPECT_EQ(most.load(), 1);
    most = 0;
    const std::vector<std::string> six = HandedOn(job, 6);
    SetThumbnailRenderer({});
    EXPECT_LE(most.load(), 6);
    ASSERT_EQ(one.size(), 61u);
    EXPECT_EQ(one, six);
    EXPECT_EQ(one.front().substr(0, 3), "25 ") << "handed on in the job's order";
}

TEST(FileThumbnailsTest, ARefreshDecodesTheRowsOnScreenFirst) {
    TestApplication();
    TempDir temp;
    for (int n = 0; n < 300; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "p%03d.png", n);
        std::ofstream(temp.Path(name)) << "x";
    }
    std::mutex mutex;
    std::vector<std::string> order;
    SetThumbnailRenderer([&](const std::string& path) -> std::optional<RenderedThumbnail> {
        {
            std::lock_guard hold(mutex);
            order.push_back(path.substr(path.rfind('/') + 1));
        }
        RenderedThumbnail out;
        out.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
        out.image.fill(Qt::green);
        return out;
    });
    FileView view;
    view.SetDecodeThreads(1);
    view.resize(400, 300);
    view.show();
    view.SetFolder(PidlPath(temp.path()));
    ASSERT_TRUE(WaitLoaded(view));
    EXPECT_EQ(order.front(), "p000.png");

    view.scrollToItem(view.item(250));
    QCoreApplication::processEvents();
    // Every file changes, so all are decoded again.
    for (int n = 0; n < 300; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "p%03d.png", n);
        std::ofstream(temp.Path(name), std::ios::app) << "y";
    }
    {
        std::lock_guard hold(mutex);
        order.clear();
    }
    view.Refresh();
    ASSERT_TRUE(WaitLoaded(view));
    SetThumbnailRenderer({});
    // The folder's watcher may see the writes late and start the thumbnails once more.
    ASSERT_GE(order.size(), 300u);
    const int first = std::atoi(order.front().c_str() + 1);
    EXPECT_TRUE(view.visualItemRect(view.item(first)).intersects(view.viewport()->rect()))
        << order.front() << " is not on screen";
    EXPECT_GT(first, 150);
}

// A thumbnail made anew (an animation was saved) takes the slot it had: its cell is redrawn
// all the same.
TEST(FileThumbnailsTest, AThumbnailMadeAnewIsRedrawnInItsSlot) {
    TestApplication();
    TempDir temp;
    std::ofstream(temp.Path("a.png")) << "x";
    QColor colour = Qt::green;
    SetThumbnailRenderer([&](const std::string&) -> std::optional<RenderedThumbnail> {
        RenderedThumbnail out;
        out.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
        out.image.fill(colour);
        return out;
    });
    FileView view;
    view.resize(400, 300);
    view.show();
    view.SetFolder(PidlPath(temp.path()));
    ASSERT_TRUE(WaitLoaded(view));
    const int slot = view.GetItemSlot(0);
    ASSERT_GE(slot, kFirstThumbnailSlot);

    struct PaintCounter : QObject {
        QRect cell;
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint &&
                static_cast<QPaintEvent*>(event)->region().intersects(cell)) {
                ++paints;
            }
            return false;
        }
    } counter;
    counter.cell = view.visualItemRect(view.item(0));
    QCoreApplication::processEvents();
    view.viewport()->installEventFilter(&counter);
    colour = Qt::red;
    view.RefreshItemImage(temp.Path("a.png"));
    QCoreApplication::processEvents();
    view.viewport()->removeEventFilter(&counter);
    SetThumbnailRenderer({});
    EXPECT_EQ(view.GetItemSlot(0), slot);
    EXPECT_GT(counter.paints, 0);
}

}  // namespace
