#pragma once

namespace npapi {

// Runs a plug-in entry's work; a failure that escapes it answers `failed` instead, since no
// exception may reach the browser.
template <typename Result, typename Call>
Result Guarded(Result failed, Call&& call) noexcept {
    try {
        return call();
    } catch (...) {
        return failed;
    }
}

}  // namespace npapi
