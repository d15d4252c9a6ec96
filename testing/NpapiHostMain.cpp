// Shows one instance of a plug-in library in a window, for looking at what it draws:
//   npapi-host plugin.so name=value ... [--save frame.png] [--wait ms] [--size WxH]
// With --save the window's pixels are written as PNG once the wait is over (default 2000 ms)
// and the program ends; otherwise it runs until the window is closed.
//   npapi-host --entry-report plugin.so
// starts the library with a Java machine of its own and prints what the plug-in's table
// holds then ("urlnotify 1 javaClass 0 javaEnvCalls 0"): tests run it under other names.
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/jri/testing/FakeVm.h"
#include "testing/NpapiHost.h"

namespace {

void PrintUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: npapi-host plugin.so [name=value ...] [--save frame.png] [--wait ms]"
                 " [--size WxH]\n"
                 "       npapi-host --entry-report plugin.so\n");
}

int Usage() {
    PrintUsage(stderr);
    return 2;
}

int EntryReport(const char* library) {
    jri_testing::FakeVm vm;
    testing_support::NpapiHost host;
    host.UseJava(&vm);
    if (!host.Load(library)) {
        std::fprintf(stderr, "npapi-host: %s\n", host.LoadError().c_str());
        return 1;
    }
    const NPError result = host.Start();
    std::printf("start %d urlnotify %d javaClass %d javaEnvCalls %d\n", result,
                host.Plugin().urlnotify != nullptr ? 1 : 0,
                host.Plugin().javaClass != nullptr ? 1 : 0, host.JavaEnvCalls());
    host.Shutdown();
    host.Unload();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--entry-report") == 0) return EntryReport(argv[2]);
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    // A library is named by its file; any other option in its place is a mistake.
    if (argc < 2 || argv[1][0] == '-') return Usage();
    QApplication app(argc, argv);
    const std::string library = argv[1];
    testing_support::NpapiHost::Attributes attributes;
    std::string save;
    int waitMs = 2000;
    int width = 640;
    int height = 480;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--save" && i + 1 < argc) {
            save = argv[++i];
        } else if (arg == "--wait" && i + 1 < argc) {
            waitMs = std::atoi(argv[++i]);
        } else if (arg == "--size" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2) return Usage();
        } else if (const auto equals = arg.find('='); equals != std::string::npos) {
            attributes.emplace_back(arg.substr(0, equals), arg.substr(equals + 1));
        } else {
            return Usage();
        }
    }

    testing_support::NpapiHost host(/*pacing=*/true);
    if (!host.Load(library)) {
        std::fprintf(stderr, "npapi-host: %s\n", host.LoadError().c_str());
        return 1;
    }
    if (const NPError result = host.Start(); result != NPERR_NO_ERROR) {
        std::fprintf(stderr, "npapi-host: the plug-in refused to start (%d)\n", result);
        return 1;
    }
    NPError result = NPERR_NO_ERROR;
    auto instance = host.NewInstance(attributes, &result);
    if (!instance) {
        std::fprintf(stderr, "npapi-host: NPP_New answered %d\n", result);
        return 1;
    }
    QWidget* window = instance->MakeWindow(width, height);
    window->setWindowTitle(QString::fromStdString(library));
    if (const NPError set = instance->SetWindow(); set != NPERR_NO_ERROR) {
        std::fprintf(stderr, "npapi-host: NPP_SetWindow answered %d\n", set);
        return 1;
    }
    int status = 0;
    if (save.empty()) {
        status = QApplication::exec();
    } else {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < waitMs) {
            testing_support::NpapiHost::Pump();
            QThread::msleep(10);
        }
        if (!instance->Grab().save(QString::fromStdString(save), "PNG")) {
            std::fprintf(stderr, "npapi-host: could not write %s\n", save.c_str());
            status = 1;
        }
    }
    instance.reset();
    host.Shutdown();
    host.Unload();
    return status;
}
