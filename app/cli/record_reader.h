#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace app::cli {

// The longest text kept of any one field of a record line, in bytes of UTF-8; the rest is cut.
inline constexpr std::size_t kMostFieldBytes = 512;
// The longest line kept as it is (for --json); a longer one is written again from its fields.
inline constexpr std::size_t kMostRawLine = std::size_t{64} * 1024;

// The fields of one line of the record that the history shows. Every text is UTF-8 and at
// most kMostFieldBytes long, whatever the length of the line, so a line of any length costs
// the same few kilobytes.
struct RecordEntry {
  std::int64_t timeMs = 0;  // since the epoch; that of the line before when the time is unreadable
  std::string time;
  std::string site;  // "site", or "host" in lines written before there was a site
  std::string address;
  std::string runId;
  std::string updaterVersion;
  std::string versionBefore;
  std::string versionAfter;
  std::string imageVersion;
  std::string result;
  std::string verification;  // "verified", "wrong-version", "not-back" or empty
  std::optional<bool> verified;
  std::string causeClass;
  std::string causeMessage;
  std::optional<double> waitRestart;     // the restart wait asked for, in seconds
  std::optional<double> restartSeconds;  // how long the restart took, or was waited for
  std::optional<std::int64_t> tries;
  bool cut = false;      // some field was longer than kept
  std::string raw;       // the line as it is, when it is at most kMostRawLine long
  bool rawWhole = true;  // raw is the whole line
};

// Reads a record file line by line in a bounded buffer: no line, however long, is held whole.
class RecordReader {
 public:
  enum class Got { Entry, NoRecord, End };

  // Takes the open file; the caller closes it.
  explicit RecordReader(std::FILE* file);

  // The next line: a record (entry filled), a line that is no record, or the end.
  Got next(RecordEntry& entry);

 private:
  int get();
  int peek();
  void skipRestOfLine();

  std::FILE* file_;
  std::vector<char> buffer_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  bool lineEnded_ = false;
  bool fileEnded_ = false;
  std::string* raw_ = nullptr;
  bool* rawWhole_ = nullptr;
  std::int64_t lastTimeMs_ = 0;

  friend class LineParser;
};

// Milliseconds since the epoch of an ISO 8601 date-time ("2026-12-10T11:17:33.123Z", an
// offset instead of Z, or a date alone meaning its midnight in UTC); nothing when unreadable.
std::optional<std::int64_t> isoTimeMs(const std::string& text);

}  // namespace app::cli
