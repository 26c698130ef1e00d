#include "app/cli/history.h"

#include <sys/stat.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <map>
#include <set>
#include <system_error>
#include <vector>

#include "app/cli/address_syntax.h"
#include "app/cli/history_html.h"
#include "app/cli/history_summary.h"
#include "app/cli/record_order.h"
#include "app/cli/terminal_text.h"
#include "app/core/core_text.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

// A cell of the table shows at most this much of a field.
constexpr std::size_t kMostCell = 60;
constexpr std::size_t kMostCause = 200;

enum Column : std::size_t {
  kTime,
  kSite,
  kAddress,
  kVersions,
  kResult,
  kVerified,
  kCause,
  kColumns
};
using Cells = std::array<std::u16string, kColumns>;
using Widths = std::array<std::size_t, kColumns>;

std::u16string utf16(const std::string& utf8) { return text::utf8ToUtf16(utf8); }
std::u16string number(std::int64_t value) { return utf16(std::to_string(value)); }

std::u16string cell(const std::string& utf8) {
  return utf8.empty() ? u"-" : escapedDeviceText(utf16(utf8), kMostCell);
}

// "2026-12-10T11:17:33.123Z" as "2026-12-10 11:17:33".
std::u16string shownTime(const std::string& time) {
  if (time.size() >= 19 && time[10] == 'T')
    return cell(time.substr(0, 10) + " " + time.substr(11, 8));
  return cell(time);
}

Cells cellsOf(const RecordEntry& entry) {
  std::u16string verified = u"-";
  if (entry.verified) {
    verified = *entry.verified ? translated(QT_TRANSLATE_NOOP("zedez", "yes"))
                               : translated(QT_TRANSLATE_NOOP("zedez", "no"));
  }
  return {shownTime(entry.time),
          cell(entry.site),
          cell(entry.address),
          cell(entry.versionBefore) + u" -> " + cell(entry.versionAfter),
          escapedDeviceText(resultText(entry.result), kMostCell),
          verified,
          escapedDeviceText(causeText(entry), kMostCause)};
}

Cells headings() {
  return {translated(QT_TRANSLATE_NOOP("zedez", "TIME (UTC)")),
          translated(QT_TRANSLATE_NOOP("zedez", "SITE")),
          translated(QT_TRANSLATE_NOOP("zedez", "ADDRESS")),
          translated(QT_TRANSLATE_NOOP("zedez", "VERSION BEFORE -> AFTER")),
          translated(QT_TRANSLATE_NOOP("zedez", "RESULT")),
          translated(QT_TRANSLATE_NOOP("zedez", "VERIFIED")),
          translated(QT_TRANSLATE_NOOP("zedez", "CAUSE"))};
}

void widen(Widths& widths, const Cells& cells) {
  for (std::size_t i = 0; i < kColumns; ++i) widths[i] = std::max(widths[i], cells[i].size());
}

void widen(Widths& widths, const Widths& others) {
  for (std::size_t i = 0; i < kColumns; ++i) widths[i] = std::max(widths[i], others[i]);
}

std::u16string tableLine(const Cells& cells, const Widths& widths) {
  std::u16string line;
  for (std::size_t i = 0; i < kColumns; ++i) {
    line += cells[i];
    if (i + 1 < kColumns) {
      line += std::u16string(widths[i] - std::min(widths[i], cells[i].size()) + 2, u' ');
    }
  }
  while (!line.empty() && line.back() == u' ') line.pop_back();
  return line;
}

// A spreadsheet cell: quoted, one line, and never taken for a formula.
std::string csvCell(const std::u16string& text) {
  std::u16string shown = escapedDeviceText(text, kMostFieldBytes);
  if (!shown.empty() &&
      (shown[0] == u'=' || shown[0] == u'+' || shown[0] == u'-' || shown[0] == u'@')) {
    shown.insert(0, u"'");
  }
  std::string quoted = "\"";
  for (const char c : text::utf16ToUtf8(shown)) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

std::string csvLine(const RecordEntry& entry) {
  const auto optional = [](const auto& value) {
    return value ? std::to_string(*value) : std::string();
  };
  std::string verified;
  if (entry.verified) verified = *entry.verified ? "true" : "false";
  const std::u16string cells[] = {utf16(entry.time),
                                  utf16(entry.site),
                                  utf16(entry.address),
                                  utf16(entry.runId),
                                  utf16(entry.updaterVersion),
                                  utf16(entry.versionBefore),
                                  utf16(entry.versionAfter),
                                  utf16(entry.imageVersion),
                                  utf16(entry.result),
                                  utf16(verified),
                                  utf16(optional(entry.tries)),
                                  causeText(entry)};
  std::string line;
  for (const std::u16string& text : cells) line += (line.empty() ? "" : ",") + csvCell(text);
  return line;
}

constexpr const char* kCsvHeading =
    "time,site,address,runId,updaterVersion,versionBefore,versionAfter,imageVersion,result,"
    "verified,tries,cause";

// A line too long to keep whole, written again from the fields that were kept.
std::string rewrittenLine(const RecordEntry& entry) {
  const auto text = [](const std::string& utf8) { return QString::fromUtf8(utf8); };
  QJsonObject object{{QStringLiteral("time"), text(entry.time)},
                     {QStringLiteral("site"), text(entry.site)},
                     {QStringLiteral("address"), text(entry.address)},
                     {QStringLiteral("versionBefore"), text(entry.versionBefore)},
                     {QStringLiteral("versionAfter"), text(entry.versionAfter)},
                     {QStringLiteral("result"), text(entry.result)},
                     {QStringLiteral("cut"), true}};
  if (!entry.runId.empty()) object.insert(QStringLiteral("runId"), text(entry.runId));
  if (entry.verified) object.insert(QStringLiteral("verified"), *entry.verified);
  if (entry.tries) object.insert(QStringLiteral("tries"), static_cast<qint64>(*entry.tries));
  if (!entry.causeMessage.empty()) {
    object.insert(QStringLiteral("cause"),
                  QJsonObject{{QStringLiteral("class"), text(entry.causeClass)},
                              {QStringLiteral("message"), text(entry.causeMessage)}});
  }
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

struct Register {
  RegisterLatest latest;
  Widths allWidths{};
  Widths latestWidths{};
};

class History {
 public:
  History(const HistoryRequest& request, bool json, Console& console)
      : request_(request), json_(json), console_(console) {}

  int run() {
    if (!open()) return 1;
    summarise();
    int code = 0;
    if (!request_.html.isEmpty() && !writePage()) code = 1;
    if (request_.addresses) {
      printAddresses();
    } else if (request_.html.isEmpty() || json_ || request_.csv) {
      rewind();
      print();
    }
    if (skipped_ > 0) {
      console_.errorLine(
          u"zedez-updater: " +
          translated(QT_TRANSLATE_NOOP("zedez", "%1 lines are no record and were left out"),
                     {number(skipped_)}));
    }
    return unreadable_ ? 1 : code;
  }

  ~History() {
    for (std::FILE* file : files_) std::fclose(file);
  }
  History(const History&) = delete;
  History& operator=(const History&) = delete;
  History(History&&) = delete;
  History& operator=(History&&) = delete;

 private:
  // Opens every file it can; says which it cannot. A record must be a regular file, since
  // it is read twice.
  bool open() {
    for (const QString& name : request_.files) {
      const std::string path = name.toStdString();
      std::FILE* file = std::fopen(path.c_str(), "rbe");
      int error = errno;
      struct stat status {};
      if (file != nullptr && (::fstat(::fileno(file), &status) != 0 || !S_ISREG(status.st_mode))) {
        std::fclose(file);
        file = nullptr;
        error = EINVAL;
      }
      if (file == nullptr) {
        const std::u16string why =
            error == EINVAL ? translated(QT_TRANSLATE_NOOP("zedez", "not a regular file"))
                            : utf16(std::generic_category().message(error));
        console_.errorLine(u"zedez-updater: " +
                           translated(QT_TRANSLATE_NOOP("zedez", "cannot read the record %1: %2"),
                                      {escapedDeviceText(name.toStdU16String()), why}));
        unreadable_ = true;
        continue;
      }
      files_.push_back(file);
    }
    return !files_.empty() || request_.files.isEmpty();
  }

  void rewind() {
    for (std::FILE* file : files_) std::rewind(file);
  }

  [[nodiscard]] bool passesLineFilters(const RecordEntry& entry) const {
    if (!request_.address.empty() && utf16(entry.address) != request_.address) return false;
    if (!request_.site.isEmpty() && QString::fromUtf8(entry.site) != request_.site) return false;
    return !request_.sinceMs || entry.timeMs >= *request_.sinceMs;
  }

  static std::string keyOf(const RecordEntry& entry) { return entry.site + '\n' + entry.address; }

  [[nodiscard]] bool shown(const Register& reg) const {
    return !request_.failed || reg.latest.failing;
  }

  // The first reading: each register's latest line, and the widths of the columns.
  void summarise() {
    RecordStream stream(files_);
    RecordEntry entry;
    std::uint64_t sequence = 0;
    while (stream.next(entry)) {
      if (!passesLineFilters(entry)) continue;
      Register& reg = registers_[keyOf(entry)];
      const Cells cells = cellsOf(entry);
      widen(reg.allWidths, cells);
      reg.latestWidths = {};
      widen(reg.latestWidths, cells);
      const bool back = !entry.versionAfter.empty();
      reg.latest = {
          entry.site,       entry.address, back ? entry.versionAfter : entry.versionBefore,
          entry.result,     entry.time,    text::utf16ToUtf8(causeText(entry)),
          isFailing(entry), sequence++};
    }
    skipped_ = stream.skipped();
  }

  [[nodiscard]] std::vector<const Register*> shownRegisters() const {
    std::vector<const Register*> chosen;
    for (const auto& [key, reg] : registers_) {
      if (shown(reg)) chosen.push_back(&reg);
    }
    std::sort(chosen.begin(), chosen.end(), [](const Register* a, const Register* b) {
      return a->latest.sequence < b->latest.sequence;
    });
    return chosen;
  }

  void printAddresses() {
    std::set<std::string> printed;
    int unusable = 0;
    for (const Register* reg : shownRegisters()) {
      std::string key = reg->latest.address;
      std::transform(key.begin(), key.end(), key.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      if (!printed.insert(key).second) continue;
      // Only what the device list takes again reaches the next program's input.
      if (!isDeviceAddress(reg->latest.address)) {
        ++unusable;
        continue;
      }
      console_.outputLine(std::string_view(reg->latest.address));
    }
    if (unusable > 0) {
      console_.errorLine(u"zedez-updater: " +
                         translated(QT_TRANSLATE_NOOP("zedez",
                                                      "%1 addresses are no device address and "
                                                      "were left out"),
                                    {number(unusable)}));
    }
  }

  bool writePage() {
    std::vector<RegisterLatest> latest;
    for (const Register* reg : shownRegisters()) latest.push_back(reg->latest);
    std::string why;
    if (writeChainPage(request_.html.toStdString(), latest, why)) return true;
    console_.errorLine(u"zedez-updater: " +
                       translated(QT_TRANSLATE_NOOP("zedez", "cannot write the page %1: %2"),
                                  {escapedDeviceText(request_.html.toStdU16String()), utf16(why)}));
    return false;
  }

  // The second reading: the lines shown, in the same order as the first.
  void print() {
    Widths widths{};
    const Cells heads = headings();
    widen(widths, heads);
    for (const auto& [key, reg] : registers_) {
      if (shown(reg)) widen(widths, request_.latest ? reg.latestWidths : reg.allWidths);
    }
    if (request_.csv) {
      console_.outputLine(std::string_view(kCsvHeading));
    } else if (!json_) {
      console_.outputLine(tableLine(heads, widths));
    }
    std::map<std::string, std::int64_t> counts;
    std::int64_t lines = 0;
    RecordStream stream(files_);
    RecordEntry entry;
    std::uint64_t sequence = 0;
    while (stream.next(entry)) {
      if (!passesLineFilters(entry)) continue;
      const std::uint64_t position = sequence++;
      const auto found = registers_.find(keyOf(entry));
      if (found == registers_.end() || !shown(found->second)) continue;
      if (request_.latest && found->second.latest.sequence != position) continue;
      ++lines;
      ++counts[isNotBack(entry) ? std::string("not-back") : entry.result];
      if (json_) {
        const std::string line = entry.rawWhole ? std::move(entry.raw) : rewrittenLine(entry);
        console_.outputLine(std::string_view(line));
      } else if (request_.csv) {
        console_.outputLine(std::string_view(csvLine(entry)));
      } else {
        console_.outputLine(tableLine(cellsOf(entry), widths));
      }
    }
    if (!json_ && !request_.csv) console_.outputLine(totalsLine(lines, counts));
  }

  std::u16string totalsLine(std::int64_t lines, const std::map<std::string, std::int64_t>& counts) {
    std::set<std::string> sites;
    std::int64_t registers = 0;
    for (const auto& [key, reg] : registers_) {
      if (!shown(reg)) continue;
      ++registers;
      sites.insert(reg.latest.site);
    }
    std::u16string line = translated(
        QT_TRANSLATE_NOOP("zedez",
                          "Total: %1 lines, %2 registers at %3 "
                          "sites"),
        {number(lines), number(registers), number(static_cast<std::int64_t>(sites.size()))});
    std::u16string parts;
    for (const auto& [result, count] : counts) {
      const std::u16string name = result == "not-back"
                                      ? translated(QT_TRANSLATE_NOOP("zedez", "not back"))
                                      : resultText(result);
      parts += (parts.empty() ? u": " : u", ") + number(count) + u" " +
               escapedDeviceText(name, kMostCell);
    }
    return line + parts;
  }

  const HistoryRequest& request_;
  bool json_;
  Console& console_;
  std::vector<std::FILE*> files_;
  bool unreadable_ = false;
  std::int64_t skipped_ = 0;
  std::map<std::string, Register> registers_;
};

}  // namespace

int printHistory(const HistoryRequest& request, bool json, Console& console) {
  History history(request, json, console);
  return history.run();
}

}  // namespace app::cli
