#pragma once

// The byte streams that carry request and reply bodies: Stream and MemoryStream.
#include "http/base/stream.h"  // IWYU pragma: export
