// Makes the pages the browser tests open: make_pages <existing folder>; or one picture for
// the benchmark: make_pages --picture <file.jpg> <width> <height>.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "testing/browser/PageFixtures.h"

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--picture") {
        return page_fixtures::WritePicture(argv[2], std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pages <folder> | make_pages --picture <file> <w> <h>\n");
        return 2;
    }
    return page_fixtures::MakeAll(argv[1]) ? 0 : 1;
}
