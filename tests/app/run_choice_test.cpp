// Which run the command line and the display choose, as one table.
#include "app/cli/run_choice.h"

#include <gtest/gtest.h>

namespace app::cli {
namespace {

struct Row {
  std::vector<const char*> arguments;
  bool display;
  RunKind kind;
  RunChoice::Usage usage = RunChoice::Usage::None;
};

TEST(RunChoice, TheLineAndTheDisplayChooseOneRun) {
  using enum RunKind;
  using Usage = RunChoice::Usage;
  const std::vector<Row> table = {
      {{}, true, Window},
      {{"127.0.0.5"}, true, Window},
      {{"127.0.0.5", "ignored"}, true, Window},
      {{"127.0.0.5"}, false, Headless},
      {{"--headless", "127.0.0.5"}, true, Headless},
      {{"--verbose", "127.0.0.5"}, true, Headless},
      {{"--wait-restart", "30", "127.0.0.5"}, true, Headless},
      // The window's run tries once; a retry runs without it.
      {{"--retry", "2", "127.0.0.5"}, true, Headless},
      {{"--retry", "2", "--retry-delay", "5", "--devices", "list.txt"}, true, List},
      {{"--retry", "2"}, true, UsageError, Usage::Parse},
      {{"--retry-delay", "5", "--devices", "list.txt"}, false, UsageError, Usage::Parse},
      {{"--retry", "1", "--scan", "127.0.0.0/24"}, false, UsageError, Usage::Parse},
      {{"--check", "127.0.0.5"}, true, Check},
      {{"--check", "127.0.0.5"}, false, Check},
      {{"--devices", "list.txt"}, true, List},
      {{"--scan", "127.0.0.0/24"}, false, Scan},
      {{"--history", "record.jsonl"}, false, History},
      {{"--registers"}, true, RegistersWindow},
      {{"--help"}, false, Help},
      {{"--version", "127.0.0.5"}, true, Version},
      {{"--no-such-option"}, true, UsageError, Usage::Parse},
      {{"--help", "--no-such-option"}, true, UsageError, Usage::Parse},
      {{"--headless", "127.0.0.5", "127.0.0.6"}, true, UsageError, Usage::SecondAddress},
      {{"127.0.0.5", "127.0.0.6"}, false, UsageError, Usage::SecondAddress},
      {{"--headless"}, true, UsageError, Usage::HeadlessWithoutAddress},
      {{}, false, UsageError, Usage::NoDisplay},
      {{"--registers"}, false, UsageError, Usage::NoDisplay},
  };
  for (const Row& row : table) {
    QStringList arguments{QStringLiteral("zedez-updater")};
    for (const char* argument : row.arguments) arguments.append(QString::fromUtf8(argument));
    const RunChoice choice = chooseRun(parseCommandLine(arguments), row.display);
    const QString line = arguments.join(QLatin1Char(' ')) + (row.display ? " (display)" : "");
    EXPECT_EQ(choice.kind, row.kind) << line.toStdString();
    EXPECT_EQ(choice.usage, row.usage) << line.toStdString();
    EXPECT_EQ(choice.opensWindow(), row.kind == Window || row.kind == RegistersWindow);
  }
}

}  // namespace
}  // namespace app::cli
