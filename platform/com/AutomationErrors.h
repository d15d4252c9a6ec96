#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/com/Com.h"

namespace platform {

// The two failures a late-bound call through a site reports. A member that raised an
// automation exception (DISP_E_EXCEPTION) gives a DispatchError with what it said; any other
// failure an OleError with its result code.
class OleError : public std::exception {
public:
    explicit OleError(HRESULT scode) : scode_(scode) {}
    HRESULT scode() const { return scode_; }
    const char* what() const noexcept override { return "automation call failed"; }

private:
    HRESULT scode_;
};

class DispatchError : public std::exception {
public:
    DispatchError(std::uint16_t code, std::string description, HRESULT scode, std::string source,
                  std::string helpFile, std::uint32_t helpContext)
        : code_(code),
          description_(std::move(description)),
          scode_(scode),
          source_(std::move(source)),
          helpFile_(std::move(helpFile)),
          helpContext_(helpContext) {}

    std::uint16_t code() const { return code_; }
    const std::string& description() const { return description_; }
    HRESULT scode() const { return scode_; }
    const std::string& source() const { return source_; }
    const std::string& helpFile() const { return helpFile_; }
    std::uint32_t helpContext() const { return helpContext_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    std::uint16_t code_;
    std::string description_;
    HRESULT scode_;
    std::string source_;
    std::string helpFile_;
    std::uint32_t helpContext_;
};

}  // namespace platform
