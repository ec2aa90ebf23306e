#pragma once

#include <cstddef>

namespace lintor {

// Raises the soft limit on open descriptors to the hard one (1024 is the
// usual soft default, too few for a thousand clients); returns the limit in
// force afterwards.
size_t raiseOpenFileLimit();

}  // namespace lintor
