#pragma once

// The root of every error the client raises: Error, NetError and SilentNetError.
#include "http/base/error.h"  // IWYU pragma: export
