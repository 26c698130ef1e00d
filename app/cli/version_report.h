#pragma once

#include <string>

namespace app::cli {

// What --version prints, one item a line:
//   zedez-updater 1.0.12
//   File version: 1.0.9.1
//   Firmware image: ZEDEZ 1.0.12, SHA-256 <64 lowercase hex>, <N> bytes
//   Firmware parts: placeholders, not a real firmware   (or: vendor build)
std::string versionReport();

}  // namespace app::cli
