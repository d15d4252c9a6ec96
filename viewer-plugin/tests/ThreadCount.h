#pragma once

#include <dirent.h>

#include <thread>

namespace thread_count {

// The threads of this process.
inline int ThreadCount() {
    // A sanitizer's runtime starts a thread of its own with the first thread made: have it
    // running before anything is counted.
    static const bool warmed = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmed;
    int count = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(tasks)) count += entry->d_name[0] != '.' ? 1 : 0;
        ::closedir(tasks);
    }
    return count;
}

}  // namespace thread_count
