#include "support/write_failures.h"

#include "core/file_write_seam.h"

namespace orx::file_testing {

void FailWritesAfter(long long bytes) {
    FailWritesAfterOverride().store(bytes);
}

void FailFilesBeside(bool fail) {
    FailFilesBesideOverride().store(fail);
}

}  // namespace orx::file_testing
