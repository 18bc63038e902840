// The dialog window table as a whole, so that a test sees what is left in it.
#pragma once

#include <cstddef>

namespace orx::registry_testing {

// The windows registered now.
size_t Count();

}  // namespace orx::registry_testing
