#include "studio/core/PidlPath.h"

#include <map>

#include <gtest/gtest.h>

#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

namespace sh = platform::shellns;

TEST(PidlPath, AFileSplitsIntoItsFolderAndItsLastItem) {
    testing_support::TempDir dir;
    const std::string file = dir.Write("Fotos/bild.jpg", "x");
    const PidlPath path(file);
    ASSERT_TRUE(path.IsValid());
    PidlPath parent;
    path.GetParent(parent);
    EXPECT_EQ(parent.GetPath(), dir.Path("Fotos"));
    PidlPath last;
    path.GetLastItem(last);
    EXPECT_EQ(parent.GetShellFolder()->GetDisplayNameOf(last.GetPidl(), sh::kNameNormal),
              "bild.jpg");
    PidlPath joined = parent;
    joined.Append(last);
    EXPECT_EQ(joined, path);

    // The output may be the path itself.
    PidlPath self = path;
    self.GetParent(self);
    EXPECT_EQ(self, parent);
    self = path;
    self.GetLastItem(self);
    EXPECT_EQ(self, last);
    self = self;
    EXPECT_EQ(self, last);

    // The Desktop has no parent; invalid paths equal nothing and name nothing.
    PidlPath desktop;
    desktop.SetDesktop();
    desktop.GetParent(parent);
    EXPECT_FALSE(parent.IsValid());
    const PidlPath missing(dir.Path("not-there.jpg"));
    EXPECT_FALSE(missing.IsValid());
    EXPECT_FALSE(missing == missing);
    testing_support::DebugCapture capture;
    EXPECT_EQ(missing.GetPath(), "");
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Invalid pidl\n"});
}

TEST(PidlPath, EqualityAndOrderAgree) {
    testing_support::TempDir dir;
    for (const char* name : {"a.jpg", "B.jpg", "b.jpg", "\xc3\xa9t\xc3\xa9 \xe2\x98\x80.jpg"}) {
        dir.Write(name, "");
    }
    const std::vector<PidlPath> paths = {PidlPath(dir.Path("\xc3\xa9t\xc3\xa9 \xe2\x98\x80.jpg")),
                                         PidlPath(dir.Path("b.jpg")), PidlPath(dir.Path("a.jpg")),
                                         PidlPath(dir.Path("B.jpg")), PidlPath(dir.Path("b.jpg"))};
    for (const PidlPath& a : paths) {
        for (const PidlPath& b : paths) {
            // Exactly one of <, >, ==.
            EXPECT_EQ((a < b) + (b < a) + (a == b), 1) << a.GetPath() << " " << b.GetPath();
        }
    }
    std::map<PidlPath, int> map;
    for (const PidlPath& p : paths) ++map[p];
    map[PidlPath()] = 0;
    EXPECT_EQ(map.size(), 5u);
    EXPECT_FALSE(map.begin()->first.IsValid());
    EXPECT_EQ(map[PidlPath(dir.Path("b.jpg"))], 2);
    // A non-ASCII name survives the way through the list and back.
    EXPECT_EQ(paths[0].GetPath(), dir.Path("\xc3\xa9t\xc3\xa9 \xe2\x98\x80.jpg"));
}

}  // namespace
