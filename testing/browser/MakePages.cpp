// Makes the pages the browser tests open: make_pages <existing folder>.

#include <cstdio>

#include "testing/browser/PageFixtures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pages <folder>\n");
        return 2;
    }
    return page_fixtures::MakeAll(argv[1]) ? 0 : 1;
}
