#pragma once

#include <string_view>

#include "json/json_ref.h"

namespace json {

// Lenient whole-document parse: no value only for text the lenient grammar rejects.
JsonRef parseDocument(std::u16string_view text);

}  // namespace json
