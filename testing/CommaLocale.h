#pragma once

#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>

#include "testing/TempDir.h"

// Puts the process in a locale whose decimal point is a comma while it lives: an installed
// German or French locale, else one compiled for the test (decimal comma, point grouping)
// when the system's locale compiler is there. Numbers the gallery prints must not change.
class CommaLocale {
public:
    CommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name) != nullptr && HasComma()) return;
        }
        std::setlocale(LC_ALL, "C");
        dir_ = std::make_unique<testing_support::TempDir>();
        const std::string source = dir_->Write("comma.src",
                                               "LC_NUMERIC\n"
                                               "decimal_point \",\"\n"
                                               "thousands_sep \".\"\n"
                                               "grouping 3;3\n"
                                               "END LC_NUMERIC\n");
        const std::string command = "localedef -c -i '" + source + "' -f UTF-8 '" +
                                    dir_->Path("xx_XX.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == -1) return;
        setenv("LOCPATH", dir_->path().c_str(), 1);
        std::setlocale(LC_NUMERIC, "xx_XX.UTF-8");
        unsetenv("LOCPATH");
    }
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // Whether the process now prints numbers with a comma.
    static bool HasComma() {
        const std::lconv* conv = std::localeconv();
        return conv != nullptr && conv->decimal_point != nullptr &&
               std::string(conv->decimal_point) == ",";
    }

private:
    std::unique_ptr<testing_support::TempDir> dir_;
};
