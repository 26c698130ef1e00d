#pragma once

#include <cstddef>
#include <string>

namespace bench {

// A device state document as the updater reads it, UTF-8.
const std::string& deviceStateDocument();
// Deterministic document of mixed values (numbers of every kind, escaped and non-ASCII text,
// nested objects and arrays) of about the given size in bytes, UTF-8.
std::string mixedDocument(std::size_t bytes);

}  // namespace bench
