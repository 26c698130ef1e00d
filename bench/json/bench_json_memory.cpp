// Peak memory of one parse, side by side with nlohmann::json and RapidJSON. Every parse runs
// in a process of its own, which reads the document from a file and parses it once; that
// process's peak resident size (VmHWM) and the parse time are what it reports.
#include <rapidjson/document.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>

#include "json/json.h"
#include "sample_documents.h"
#include "text/utf8_codec.h"

namespace {

struct Case {
  const char* name;
  std::string (*make)();
};

// 25 million one-digit numbers, about 50 MB.
std::string smallNumbers() {
  std::string text = "[";
  text.reserve(50'000'002);
  for (int i = 0; i < 25'000'000; ++i) {
    text += static_cast<char>('0' + i % 10);
    text += ',';
  }
  text.back() = ']';
  return text;
}

// 1.5 million short strings, about 50 MB.
std::string shortStrings() {
  std::mt19937 random(15);
  std::string text = "[";
  for (int i = 0; i < 1'500'000; ++i) {
    text += '"';
    for (int k = 0; k < 30; ++k) text += static_cast<char>('a' + random() % 26);
    text += "\",";
  }
  text.back() = ']';
  return text;
}

std::string mixed() { return bench::mixedDocument(10 * 1024 * 1024); }

const Case kCases[] = {
    {"small-number array 50 MB", smallNumbers},
    {"string-heavy array 50 MB", shortStrings},
    {"mixed document 10 MB", mixed},
};
const char* const kLibraries[] = {"ours", "nlohmann", "rapidjson"};

long peakKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// The child: parse the file once with one library and print "peak-kB milliseconds".
int runChild(const std::string& library, const char* path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto start = std::chrono::steady_clock::now();
  bool parsed = false;
  if (library == "ours") {
    const json::JsonRef document = json::parseDocument(std::string_view(bytes));
    parsed = static_cast<bool>(document);
  } else if (library == "nlohmann") {
    const nlohmann::json document = nlohmann::json::parse(bytes);
    parsed = !document.is_discarded();
  } else {
    rapidjson::Document document;
    document.Parse(bytes.data(), bytes.size());
    parsed = !document.HasParseError();
  }
  const auto elapsed =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
  std::printf("%ld %.1f %d\n", peakKilobytes(), elapsed.count(), parsed ? 1 : 0);
  return 0;
}

struct Measurement {
  long peakKilobytes = -1;
  double milliseconds = 0;
};

Measurement measure(const std::string& self, const char* library, const std::string& path) {
  const std::string command = "'" + self + "' --child " + library + " '" + path + "'";
  Measurement result;
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return result;
  int parsed = 0;
  if (std::fscanf(child, "%ld %lf %d", &result.peakKilobytes, &result.milliseconds, &parsed) != 3 ||
      parsed != 1) {
    result.peakKilobytes = -1;
  }
  pclose(child);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--child") return runChild(argv[2], argv[3]);
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 1;
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/bench_json_memory." +
                           std::to_string(getpid()) + ".json";
  std::printf("%-26s %-10s %10s %10s %14s %14s\n", "document", "library", "peak MB", "parse ms",
              "peak / nlohm.", "time / nlohm.");
  for (const Case& benchCase : kCases) {
    {
      std::ofstream out(path, std::ios::binary);
      out << benchCase.make();
    }
    Measurement results[std::size(kLibraries)];
    for (std::size_t i = 0; i < std::size(kLibraries); ++i) {
      results[i] = measure(self, kLibraries[i], path);
    }
    const Measurement& reference = results[1];
    for (std::size_t i = 0; i < std::size(kLibraries); ++i) {
      const char* library = kLibraries[i];
      const Measurement& m = results[i];
      std::printf("%-26s %-10s %10.1f %10.1f %14.2f %14.2f\n", benchCase.name, library,
                  m.peakKilobytes / 1024.0, m.milliseconds,
                  static_cast<double>(m.peakKilobytes) / reference.peakKilobytes,
                  m.milliseconds / reference.milliseconds);
    }
    std::remove(path.c_str());
  }
  return 0;
}
