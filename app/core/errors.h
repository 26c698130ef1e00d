#pragma once

#include "http/error.h"

namespace app {

// The macro needs an unqualified base name.
using Error = http::Error;

// Text that is not an integer, e.g. "''1012b'' is not a valid integer value".
HTTP_DECLARE_ERROR(ConversionError, Error);
// An embedded part that the executable does not carry; the message names it.
HTTP_DECLARE_ERROR(ResourceNotFoundError, Error);
// A file that cannot be created or written.
HTTP_DECLARE_ERROR(FileError, Error);

}  // namespace app
