// The timeout setting against the device simulator: what is read, what is posted, and the
// status line, for well-formed and broken exchanges.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../app/headless_host.h"
#include "app/core/timeout_workflow.h"
#include "device_simulator.h"
#include "json/parser.h"
#include "text/utf8_codec.h"

namespace {

using app::testing::HeadlessHost;
using testsupport::DeviceSimulator;

// A settings file the simulator serves as it stands.
class SettingsFile {
 public:
  explicit SettingsFile(const std::string& bytes)
      : path_(std::filesystem::temp_directory_path() /
              ("zedez-settings-" + std::to_string(++counter_) + "-" + std::to_string(::getpid()) +
               ".json")) {
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~SettingsFile() { std::filesystem::remove(path_); }
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;
  [[nodiscard]] std::string path() const { return path_.string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

struct Exchange {
  HeadlessHost host;
  std::vector<testsupport::RecordedRequest> posts;
};

void setTimeout(Exchange& exchange, DeviceSimulator& device, const std::u16string& timeoutText) {
  exchange.host.address = device.address16();
  exchange.host.timeout = timeoutText;
  exchange.host.setStatusText(app::setDeviceTimeout(exchange.host.address, exchange.host.timeout));
  exchange.posts = device.records("settings_post");
}

TEST(SettingsExchange, ReplacesTimeoutAndKeepsTheRestInWriterOrder) {
  // A byte-order mark in front of the settings is read past and not sent back.
  for (const auto& options : {std::vector<std::string>{}, {"--byte-order-mark"}}) {
    DeviceSimulator device(options);  // serves {"timeout":1000,"x":1}
    Exchange exchange;
    setTimeout(exchange, device, u"6000");
    ASSERT_EQ(exchange.posts.size(), 1U);
    EXPECT_EQ(exchange.posts[0].body, R"({"x":1,"timeout":6000})");
    EXPECT_EQ(exchange.posts[0].head.rfind("POST /api/settings HTTP/1.0\r\n", 0), 0U)
        << exchange.posts[0].head;
    ASSERT_EQ(exchange.host.statusTexts.size(), 1U);
    EXPECT_EQ(exchange.host.statusTexts[0], u"{\"result\":\"OK\"}");
  }
}

TEST(SettingsExchange, AddsAMissingTimeoutAndSendsNegativeNumbersAsEntered) {
  const SettingsFile settings(R"({"x":1})");
  DeviceSimulator device({"--settings-file", settings.path()});
  Exchange exchange;
  setTimeout(exchange, device, u"-5");
  ASSERT_EQ(exchange.posts.size(), 1U);
  const json::JsonRef posted = json::parseDocument(text::utf8ToUtf16(exchange.posts[0].body));
  EXPECT_EQ(posted.getPathString(u"timeout"), u"-5");
  EXPECT_EQ(posted.getPathString(u"x"), u"1");
}

TEST(SettingsExchange, NonAsciiSettingsSurviveTheRoundTrip) {
  // UTF-8 from the device, and the same text in the 8-bit code page from an older one.
  const std::string utf8 = "{\"name\":\"Predajňa Žilina č.1\",\"timeout\":1}";
  const std::string cp1250 =
      "{\"name\":\"Predaj\xF2"
      "a \x8Eilina \xE8.1\",\"timeout\":1}";
  for (const std::string& bytes : {utf8, cp1250}) {
    const SettingsFile settings(bytes);
    DeviceSimulator device({"--settings-file", settings.path()});
    Exchange exchange;
    setTimeout(exchange, device, u"6000");
    ASSERT_EQ(exchange.posts.size(), 1U);
    // Non-ASCII goes out escaped, so the body is plain ASCII.
    for (const char c : exchange.posts[0].body) EXPECT_GE(c, 0) << exchange.posts[0].body;
    const json::JsonRef posted = json::parseDocument(text::utf8ToUtf16(exchange.posts[0].body));
    EXPECT_EQ(posted.getPathString(u"name"), u"Predajňa Žilina č.1") << exchange.posts[0].body;
    EXPECT_EQ(posted.getPathString(u"timeout"), u"6000");
  }
}

TEST(SettingsExchange, EveryFailureEndsInErrorAndAFailedReadPostsNothing) {
  {
    DeviceSimulator device({"--status", "settings_get=500", "--body", "settings_get={}"});
    Exchange exchange;
    setTimeout(exchange, device, u"6000");
    EXPECT_TRUE(exchange.posts.empty());
    EXPECT_EQ(exchange.host.statusTexts, std::vector<std::u16string>{u"error"});
  }
  {
    const SettingsFile settings("{\"timeout\":1000");
    DeviceSimulator device({"--settings-file", settings.path()});
    Exchange exchange;
    setTimeout(exchange, device, u"6000");
    EXPECT_TRUE(exchange.posts.empty()) << "an unclosed document is not posted";
    EXPECT_EQ(exchange.host.statusTexts, std::vector<std::u16string>{u"error"});
  }
  {
    DeviceSimulator device;
    Exchange exchange;
    setTimeout(exchange, device, u"6000 ms");
    EXPECT_TRUE(exchange.posts.empty());
    EXPECT_EQ(exchange.host.statusTexts, std::vector<std::u16string>{u"error"});
  }
  {
    DeviceSimulator device({"--status", "settings_post=503"});
    Exchange exchange;
    setTimeout(exchange, device, u"6000");
    EXPECT_EQ(exchange.posts.size(), 1U);
    EXPECT_EQ(exchange.host.statusTexts, std::vector<std::u16string>{u"error"});
  }
}

}  // namespace
