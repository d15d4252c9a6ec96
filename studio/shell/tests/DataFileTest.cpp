#include "studio/shell/DataFile.h"

#include <gtest/gtest.h>

#include "testing/TempDir.h"

namespace {

TEST(DataFile, FindsNamesWrittenWithBackslashesOrAnotherCase) {
    testing_support::TempDir data;
    data.Write("help/Animation/empty.htm", "a");
    data.Write("AppData/Splash.jpg", "b");
    data.Write("help/index.htm", "c");
    const std::string root = data.path() + "/";
    struct Case {
        const char* written;
        const char* found;  // below the folder
    };
    const Case cases[] = {
        {"help/index.htm", "help/index.htm"},
        {"Help/Animation/empty.htm", "help/Animation/empty.htm"},
        {"HELP\\animation\\EMPTY.HTM", "help/Animation/empty.htm"},
        {"appdata/splash.JPG", "AppData/Splash.jpg"},
        {"help/", "help/"},
        // Missing: the path as written, with '/' between names.
        {"Help\\missing.htm", "Help/missing.htm"},
        {"nothing/index.htm", "nothing/index.htm"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindFileBelow(data.path(), c.written), root + c.found) << c.written;
        EXPECT_EQ(FindFileBelow(root, c.written), root + c.found) << c.written;
    }
}

}  // namespace
