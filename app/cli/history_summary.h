#pragma once

#include <cstdint>
#include <string>

#include "app/cli/record_reader.h"

namespace app::cli {

// A register's latest line, as the summaries of the chain need it.
struct RegisterLatest {
  std::string site;
  std::string address;
  std::string version;  // the version after, or the one before when it did not come back
  std::string result;
  std::string time;
  std::string cause;  // one line, for a person
  bool failing = false;
  std::uint64_t sequence = 0;  // which of the shown lines it is
};

// Whether the line says that the register came out of the run without the update: failed,
// not back after the restart, not started or interrupted.
bool isFailing(const RecordEntry& entry);

// A register that was updated but did not answer again within the wait.
bool isNotBack(const RecordEntry& entry);

// The line's cause on one line, for a person: line breaks and tabs become spaces, and a
// register that did not come back gets "not back within S s". Not yet escaped.
std::u16string causeText(const RecordEntry& entry);

// The result, in the user's language ("not-started" reads "not started").
std::u16string resultText(const std::string& result);

}  // namespace app::cli
