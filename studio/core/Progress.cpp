#include "studio/core/Progress.h"

#include <utility>

namespace {

int& RunningOperations() {
    static int count = 0;
    return count;
}

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

LongOperation::LongOperation() {
    ++RunningOperations();
}

LongOperation::~LongOperation() {
    --RunningOperations();
}

bool LongOperationRunning() {
    return RunningOperations() > 0;
}
