#include "studio/shell/PidlPath.h"

#include <map>

#include <gtest/gtest.h>

#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

namespace sh = platform::shellns;

TEST(PidlPath, AFileSplitsIntoItsFolderAndItsLastItem) {
    testing_support::TempDir dir;
    const std::string file = dir.Write("Fotos/bild.jpg", "x");
    PidlPath path(file);
    ASSERT_TRUE(path.IsValid());
    EXPECT_EQ(path.GetSize(), sh::ListSize(path.GetPidl()));

    PidlPath parent;
    path.GetParent(parent);
    EXPECT_EQ(parent.GetPath(), dir.Path("Fotos"));
    PidlPath last;
    path.GetLastItem(last);
    EXPECT_EQ(last.GetItemCount(), 1u);
    EXPECT_EQ(parent.GetShellFolder()->GetDisplayNameOf(last.GetPidl(), sh::kNameNormal),
              "bild.jpg");

    // Parent + last item is the path again; the Desktop + an item is that item.
    PidlPath joined = parent;
    joined.Append(last);
    EXPECT_EQ(joined, path);
    PidlPath desktop;
    desktop.SetDesktop();
    desktop.Append(last);
    EXPECT_EQ(desktop, last);

    EXPECT_EQ(path.GetAttributes(0xF0000000u), sh::kAttrFileSystem);
    EXPECT_EQ(parent.GetAttributes(sh::kAttrFolder), sh::kAttrFolder);
    EXPECT_EQ(path.GetShellFolder(), nullptr);

    // Out may be the path itself.
    PidlPath self = path;
    self.GetParent(self);
    EXPECT_EQ(self, parent);
    self = path;
    self.GetLastItem(self);
    EXPECT_EQ(self, last);
}

TEST(PidlPath, TheDesktopAndInvalidPaths) {
    PidlPath desktop;
    desktop.SetDesktop();
    EXPECT_TRUE(desktop.IsValid());
    EXPECT_EQ(desktop.GetSize(), 2u);
    PidlPath parent;
    parent.SetDesktop();
    desktop.GetParent(parent);
    EXPECT_FALSE(parent.IsValid());
    PidlPath last;
    desktop.GetLastItem(last);
    EXPECT_EQ(last, desktop);
    ASSERT_NE(desktop.GetShellFolder(), nullptr);
    EXPECT_EQ(desktop.GetShellFolder()->list(), (sh::IdList{0, 0}));
    EXPECT_EQ(desktop.GetAttributes(0xF0000000u), 0u);
    EXPECT_EQ(desktop.GetPath(), "");

    testing_support::TempDir dir;
    PidlPath missing(dir.Path("not-there.jpg"));
    PidlPath null(static_cast<const char*>(nullptr));
    PidlPath empty;
    for (const PidlPath* p : {&missing, &null, &empty}) {
        EXPECT_FALSE(p->IsValid());
        EXPECT_EQ(p->GetPidl(), nullptr);
        EXPECT_EQ(p->GetSize(), 0u);
        EXPECT_FALSE(*p == *p);
        EXPECT_EQ(p->GetShellFolder(), nullptr);
    }
    testing_support::DebugCapture capture;
    EXPECT_EQ(empty.GetPath(), "");
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Invalid pidl\n"});

    PidlPath unchanged = desktop;
    unchanged.Append(empty);
    EXPECT_EQ(unchanged, desktop);
    empty.Append(desktop);
    EXPECT_FALSE(empty.IsValid());
}

TEST(PidlPath, EqualityAndOrderAgree) {
    testing_support::TempDir dir;
    dir.Write("a.jpg", "");
    dir.Write("B.jpg", "");
    dir.Write("b.jpg", "");
    dir.Write("\xc3\xa9t\xc3\xa9 \xe2\x98\x80.jpg", "");
    const PidlPath first(dir.Path("b.jpg"));
    const PidlPath second(dir.Path("b.jpg"));
    EXPECT_EQ(first, second);
    EXPECT_FALSE(first < second);
    EXPECT_FALSE(second < first);

    std::vector<PidlPath> paths = {PidlPath(dir.Path("\xc3\xa9t\xc3\xa9 \xe2\x98\x80.jpg")),
                                   PidlPath(dir.Path("b.jpg")), PidlPath(dir.Path("a.jpg")),
                                   PidlPath(dir.Path("B.jpg")), PidlPath()};
    for (const PidlPath& a : paths) {
        for (const PidlPath& b : paths) {
            // Exactly one of <, >, == for two valid paths.
            if (a.IsValid() && b.IsValid()) {
                EXPECT_EQ((a < b) + (b < a) + (a == b), 1);
            }
        }
    }
    std::map<PidlPath, int> map;
    for (std::size_t i = 0; i < paths.size(); ++i) map[paths[i]] = static_cast<int>(i);
    EXPECT_EQ(map.size(), paths.size());
    EXPECT_FALSE(map.begin()->first.IsValid());
    EXPECT_EQ(std::next(map.begin())->first, PidlPath(dir.Path("a.jpg")));

    // A non-ASCII name survives the way through the list and back.
    EXPECT_EQ(paths[0].GetPath(), dir.Path("\xc3\xa9t\xc3\xa9 \xe2\x98\x80.jpg"));
}

TEST(PidlPath, CopiesOwnTheirLists) {
    testing_support::TempDir dir;
    const std::string file = dir.Write("x.png", "");
    auto source = std::make_unique<PidlPath>(file);
    PidlPath copy(*source);
    PidlPath assigned;
    assigned = *source;
    PidlPath raw(source->GetPidl());
    EXPECT_NE(copy.GetPidl(), source->GetPidl());
    source.reset();
    for (const PidlPath* p : {&copy, &assigned, &raw}) EXPECT_EQ(p->GetPath(), file);

    PidlPath moved(std::move(assigned));
    EXPECT_FALSE(assigned.IsValid());
    EXPECT_EQ(moved.GetPath(), file);
    moved = static_cast<const std::uint8_t*>(nullptr);
    EXPECT_FALSE(moved.IsValid());
    moved = copy;
    moved.Free();
    EXPECT_FALSE(moved.IsValid());
}

}  // namespace
