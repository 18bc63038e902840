// Writes that fail on purpose, so that a test shows what a full disk or a folder
// without write permission leaves behind.
#pragma once

namespace orx::file_testing {

// From now on every WriteAllBytes fails with EIO after writing `bytes` bytes;
// a negative value switches the failure off.
void FailWritesAfter(long long bytes);
// Makes it impossible to create a file beside the one that is replaced, as in a
// folder the user may not write to (which root can always write to).
void FailFilesBeside(bool fail);

}  // namespace orx::file_testing
