#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// printf-style formatting in the C locale, whatever locale the process runs in: numbers
// that reach pages, scripts, files and URLs always use a point and no grouping.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// sscanf in the C locale: the number of fields converted, as sscanf gives it.
int ScanC(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// Locale-free parsing of a whole text (leading and trailing blanks allowed). An empty,
// partial or out-of-range text gives no value.
std::optional<double> ParseDouble(std::string_view text);
std::optional<long long> ParseInt(std::string_view text, int base = 10);

// atof/atoi as the C library has them, but always in the C locale: the longest valid
// prefix counts and a text with no number gives 0. A number beyond long long is held at
// its end.
double AtoF(std::string_view text);
long long AtoI(std::string_view text);
// A value held inside int's range at the end it passed.
int ClampToInt(long long value);

}  // namespace platform
