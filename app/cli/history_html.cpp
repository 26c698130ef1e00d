#include "app/cli/history_html.h"

#include <QDateTime>
#include <QSaveFile>
#include <algorithm>
#include <map>

#include "app/cli/terminal_text.h"
#include "app/core/core_text.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

constexpr std::size_t kMostShown = 80;
constexpr std::size_t kMostCauseShown = 240;
// The chart names at most this many versions; the rest are summed as "other".
constexpr std::size_t kMostBars = 12;

// Device text as HTML text: controls escaped as on a terminal, then the markup characters.
std::string html(const std::u16string& text, std::size_t most = kMostShown) {
  std::string out;
  for (const char c : text::utf16ToUtf8(escapedDeviceText(text, most))) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string html(const std::string& utf8, std::size_t most = kMostShown) {
  return html(text::utf8ToUtf16(utf8), most);
}

std::string local(const char* source, std::initializer_list<std::u16string_view> args = {}) {
  return html(translated(source, args), kLongestStatusShown);
}

std::u16string count(std::size_t value) { return text::utf8ToUtf16(std::to_string(value)); }

constexpr const char* kStyle = R"(
body{font:15px/1.4 system-ui,sans-serif;margin:0;padding:16px;color:#1b1b1b;background:#fafafa}
h1{font-size:1.4em;margin:0 0 8px}h2{font-size:1.15em;margin:24px 0 6px}
.totals{margin:0 0 16px;padding:10px 12px;background:#fff;border:1px solid #ddd;border-radius:6px}
.failing{color:#a30000;font-weight:600}
.chart{background:#fff;border:1px solid #ddd;border-radius:6px;padding:8px;max-width:640px}
.chart svg{width:100%;height:auto;display:block}
table{border-collapse:collapse;width:100%;background:#fff;border:1px solid #ddd}
th,td{text-align:left;padding:6px 8px;border-bottom:1px solid #eee;vertical-align:top;
white-space:nowrap}
td.cause{white-space:normal;overflow-wrap:anywhere;width:100%}
th{background:#f0f0f0;font-weight:600}
tr.failed td{background:#fde8e8}tr.failed td.result{color:#a30000;font-weight:600}
td.cause{color:#444;font-size:.92em}
@media (max-width:600px){body{padding:8px;font-size:14px}th.time,td.time{display:none}
th,td{padding:4px 5px}}
)";

struct Tally {
  std::size_t registers = 0;
  std::size_t failing = 0;
  std::map<std::string, std::size_t> results;
};

std::string chart(const std::vector<RegisterLatest>& registers) {
  std::map<std::string, std::size_t> versions;
  for (const RegisterLatest& reg : registers) ++versions[reg.version.empty() ? "-" : reg.version];
  std::vector<std::pair<std::string, std::size_t>> bars(versions.begin(), versions.end());
  std::stable_sort(bars.begin(), bars.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  if (bars.size() > kMostBars) {
    std::size_t other = 0;
    for (std::size_t i = kMostBars - 1; i < bars.size(); ++i) other += bars[i].second;
    bars.resize(kMostBars - 1);
    bars.emplace_back(text::utf16ToUtf8(translated(QT_TRANSLATE_NOOP("zedez", "other"))), other);
  }
  const std::size_t most = bars.empty() ? 1 : bars.front().second;
  constexpr int kRow = 28;
  constexpr int kLabel = 100;
  constexpr int kBarSpace = 330;
  const int height = static_cast<int>(bars.size()) * kRow + 8;
  std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 480 " +
                    std::to_string(height) + "' role='img' aria-label='" +
                    local(QT_TRANSLATE_NOOP("zedez", "Registers by installed version")) + "'>";
  int y = 4;
  for (const auto& [version, number] : bars) {
    const int width = std::max(2, static_cast<int>(kBarSpace * number / most));
    svg += "<text x='" + std::to_string(kLabel - 8) + "' y='" + std::to_string(y + 18) +
           "' text-anchor='end' font-size='14'>" + html(version, 12) + "</text>";
    svg += "<rect x='" + std::to_string(kLabel) + "' y='" + std::to_string(y + 4) + "' width='" +
           std::to_string(width) + "' height='20' fill='#3b6fb6'/>";
    svg += "<text x='" + std::to_string(kLabel + width + 6) + "' y='" + std::to_string(y + 18) +
           "' font-size='14'>" + std::to_string(number) + "</text>";
    y += kRow;
  }
  return svg + "</svg>";
}

std::string siteTable(const std::string& site, std::vector<const RegisterLatest*> rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const RegisterLatest* a, const RegisterLatest* b) {
    if (a->failing != b->failing) return a->failing;
    return a->address < b->address;
  });
  const auto failing = static_cast<std::size_t>(
      std::count_if(rows.begin(), rows.end(), [](const RegisterLatest* r) { return r->failing; }));
  std::string out = "<section><h2>" + html(site.empty() ? std::string("-") : site) + " <small>" +
                    local(QT_TRANSLATE_NOOP("zedez", "%1 registers, %2 failing"),
                          {count(rows.size()), count(failing)}) +
                    "</small></h2>\n<table><thead><tr><th>" +
                    local(QT_TRANSLATE_NOOP("zedez", "Address")) + "</th><th>" +
                    local(QT_TRANSLATE_NOOP("zedez", "Version")) + "</th><th>" +
                    local(QT_TRANSLATE_NOOP("zedez", "Outcome")) + "</th><th class=\"time\">" +
                    local(QT_TRANSLATE_NOOP("zedez", "Time (UTC)")) + "</th><th>" +
                    local(QT_TRANSLATE_NOOP("zedez", "Cause")) + "</th></tr></thead><tbody>\n";
  for (const RegisterLatest* reg : rows) {
    std::string time = reg->time;
    if (time.size() >= 19 && time[10] == 'T') time = time.substr(0, 10) + " " + time.substr(11, 8);
    out += std::string(reg->failing ? "<tr class=\"failed\">" : "<tr>") + "<td>" +
           html(reg->address) + "</td><td>" + html(reg->version.empty() ? "-" : reg->version) +
           "</td><td class=\"result\">" + html(resultText(reg->result)) +
           "</td><td class=\"time\">" + html(time) + "</td><td class=\"cause\">" +
           html(reg->cause, kMostCauseShown) + "</td></tr>\n";
  }
  return out + "</tbody></table></section>\n";
}

}  // namespace

bool writeChainPage(const std::string& path, const std::vector<RegisterLatest>& registers,
                    std::string& why) {
  Tally tally;
  std::map<std::string, std::vector<const RegisterLatest*>> sites;
  for (const RegisterLatest& reg : registers) {
    ++tally.registers;
    if (reg.failing) ++tally.failing;
    ++tally.results[reg.result];
    sites[reg.site].push_back(&reg);
  }
  std::string results;
  for (const auto& [result, number] : tally.results) {
    results +=
        (results.empty() ? "" : ", ") + std::to_string(number) + " " + html(resultText(result));
  }
  const std::string title = local(QT_TRANSLATE_NOOP("zedez", "ZEDEZ registers of the chain"));
  const std::string made =
      QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
      "style-src 'unsafe-inline'\">\n<title>" +
      title + "</title>\n<style>" + kStyle + "</style></head><body>\n<h1>" + title + "</h1>\n" +
      "<p class=\"totals\">" +
      local(QT_TRANSLATE_NOOP("zedez",
                              "%1 registers at %2 sites, latest outcome of each (made %3 UTC)"),
            {count(tally.registers), count(sites.size()), text::utf8ToUtf16(made)}) +
      ": " + results + (tally.failing > 0 ? "<br><span class=\"failing\">" : "<br><span>") +
      local(QT_TRANSLATE_NOOP("zedez",
                              "%1 failing (failed, not back, not started or "
                              "interrupted)"),
            {count(tally.failing)}) +
      "</span></p>\n<h2>" + local(QT_TRANSLATE_NOOP("zedez", "Versions installed")) +
      "</h2>\n<div class=\"chart\">" + chart(registers) + "</div>\n";
  // Sites with failures first, then by name.
  std::vector<std::pair<std::string, std::vector<const RegisterLatest*>>> ordered(sites.begin(),
                                                                                  sites.end());
  std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
    const auto failing = [](const auto& rows) {
      return std::any_of(rows.begin(), rows.end(),
                         [](const RegisterLatest* r) { return r->failing; });
    };
    return failing(a.second) && !failing(b.second);
  });
  for (const auto& [site, rows] : ordered) page += siteTable(site, rows);
  page += "</body></html>\n";

  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(page.data(), static_cast<qint64>(page.size())) !=
          static_cast<qint64>(page.size()) ||
      !file.commit()) {
    why = file.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace app::cli
