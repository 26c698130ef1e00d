#pragma once

#include <string_view>

namespace app {

// The fixed SOAP 1.2 receipt registration that the connectivity check posts: one line of ASCII,
// signed with a throwaway test certificate whose values only keep the real fields' lengths.
std::string_view connectivityCheckMessage();

}  // namespace app
