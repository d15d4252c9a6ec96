#include "studio/shell/Progress.h"

#include <utility>

namespace {

ProgressSource& Source() {
    static ProgressSource source;
    return source;
}

}  // namespace

void SetProgressSource(ProgressSource source) {
    Source() = std::move(source);
}

Progress* GetProgress() {
    return Source() ? Source()() : nullptr;
}
