// Parse and write throughput of the json library against RapidJSON and nlohmann::json, all
// from the same UTF-8 bytes. Our parse includes the UTF-8 to UTF-16 step, our write the way back.
// Each parse benchmark parses once untimed first, so that every library runs on memory its
// allocator already holds rather than paying the first page faults inside the timing.
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "json/json.h"
#include "sample_documents.h"
#include "text/utf8_codec.h"

namespace {

constexpr std::size_t kLargeBytes = 10 * 1024 * 1024;

const std::string& largeDocument() {
  static const std::string document = bench::mixedDocument(kLargeBytes);
  return document;
}

const std::string& documentFor(const benchmark::State& state) {
  return state.range(0) == 0 ? bench::deviceStateDocument() : largeDocument();
}

void setLabel(benchmark::State& state, std::size_t bytes) {
  state.SetLabel(state.range(0) == 0 ? "device state" : "10 MB mixed");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void ourParse(benchmark::State& state) {
  const std::string& bytes = documentFor(state);
  json::parseDocument(std::string_view(bytes));
  for (auto _ : state) {
    json::JsonRef document = json::parseDocument(std::string_view(bytes));
    if (!document) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(document.get());
  }
  setLabel(state, bytes.size());
}

void ourWrite(benchmark::State& state) {
  const std::string& bytes = documentFor(state);
  const json::JsonRef document = json::parseDocument(text::utf8ToUtf16(bytes));
  for (auto _ : state) {
    std::string written = document.asJsonUtf8(false, true);
    benchmark::DoNotOptimize(written.data());
  }
  setLabel(state, bytes.size());
}

// The way through UTF-16: the text alone, and its UTF-8 encoding alone.
void ourWriteText(benchmark::State& state) {
  const std::string& bytes = documentFor(state);
  const json::JsonRef document = json::parseDocument(text::utf8ToUtf16(bytes));
  for (auto _ : state) {
    std::u16string text = document.asJson(false, true);
    benchmark::DoNotOptimize(text.data());
  }
  setLabel(state, bytes.size());
}

void ourEncodeUtf8(benchmark::State& state) {
  const std::string& bytes = documentFor(state);
  const std::u16string text = json::parseDocument(text::utf8ToUtf16(bytes)).asJson(false, true);
  for (auto _ : state) {
    std::string written = text::utf16ToUtf8(text);
    benchmark::DoNotOptimize(written.data());
  }
  setLabel(state, bytes.size());
}

void rapidjsonParse(benchmark::State& state) {
  const std::string& bytes = documentFor(state);
  rapidjson::Document().Parse(bytes.data(), bytes.size());
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse(bytes.data(), bytes.size());
    if (document.HasParseError()) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(&document);
  }
  setLabel(state, bytes.size());
}

void rapidjsonWrite(benchmark::State& state) {
  const std::string& bytes = documentFor(state);
  rapidjson::Document document;
  document.Parse(bytes.data(), bytes.size());
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  setLabel(state, bytes.size());
}

void nlohmannParse(benchmark::State& state) {
  const std::string& bytes = documentFor(state);
  benchmark::DoNotOptimize(nlohmann::json::parse(bytes).size());
  for (auto _ : state) {
    nlohmann::json document = nlohmann::json::parse(bytes);
    benchmark::DoNotOptimize(&document);
  }
  setLabel(state, bytes.size());
}

void nlohmannWrite(benchmark::State& state) {
  const std::string& bytes = documentFor(state);
  const nlohmann::json document = nlohmann::json::parse(bytes);
  for (auto _ : state) {
    std::string written = document.dump();
    benchmark::DoNotOptimize(written.data());
  }
  setLabel(state, bytes.size());
}

// Growth check: time per byte must stay flat from 1 MB to 16 MB.
void ourParseBySize(benchmark::State& state) {
  const std::string bytes = bench::mixedDocument(static_cast<std::size_t>(state.range(0)));
  json::parseDocument(text::utf8ToUtf16(bytes));
  for (auto _ : state) {
    json::JsonRef document = json::parseDocument(text::utf8ToUtf16(bytes));
    benchmark::DoNotOptimize(document.get());
  }
  state.SetComplexityN(static_cast<std::int64_t>(bytes.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

}  // namespace

BENCHMARK(ourParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(rapidjsonParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(nlohmannParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ourWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ourWriteText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ourEncodeUtf8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(rapidjsonWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(nlohmannWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ourParseBySize)
    ->RangeMultiplier(2)
    ->Range(1 << 20, 16 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Prints the figures as the console does, then every ratio against the peers: speed as the
// peer's CPU time over ours (the fastest of the repetitions), so that above 1 means faster.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      // With repetitions, the fastest: the one least disturbed by other work on the machine.
      const auto [entry, added] = times_.emplace(run.benchmark_name(), run.GetAdjustedCPUTime());
      if (!added) entry->second = std::min(entry->second, run.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nratios (peer time / our time; above 1 is faster than the peer)\n");
    for (const char* document : {"/0", "/1"}) {
      const char* label = document[1] == '0' ? "device state" : "10 MB mixed";
      printRatio("parse", "rapidjsonParse", "ourParse", document, label, 0.33);
      printRatio("parse", "nlohmannParse", "ourParse", document, label, 0.0);
      printRatio("write", "rapidjsonWrite", "ourWrite", document, label, 0.0);
      printRatio("write", "nlohmannWrite", "ourWrite", document, label, 1.0);
    }
  }

 private:
  void printRatio(const char* what, const std::string& peer, const std::string& ours,
                  const std::string& document, const char* label, double goal) {
    const auto peerTime = times_.find(peer + document);
    const auto ourTime = times_.find(ours + document);
    if (peerTime == times_.end() || ourTime == times_.end()) return;
    std::printf("  %-5s %-12s %-16s %6.2f", what, label, peer.c_str(),
                peerTime->second / ourTime->second);
    if (goal > 0) std::printf("   (goal >= %.2f)", goal);
    std::printf("\n");
  }

  std::map<std::string, double> times_;
};

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
