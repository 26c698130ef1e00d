#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace app {

// The message of any exception: an http::Error's own text, otherwise what() read as UTF-8.
std::u16string errorMessageOf(const std::exception& error);

// The default error box's text: a full stop is added when the message is not empty and its
// last character sorts after the full stop.
std::u16string errorBoxText(std::u16string_view message);

}  // namespace app
