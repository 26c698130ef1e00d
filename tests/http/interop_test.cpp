// The client against real servers started here: Python's http.server and nginx. Every body
// is compared with what curl receives from the same server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "child_process.h"
#include "http/http_client.h"
#include "http/http_errors.h"
#include "scripted_server.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kStartLimit = std::chrono::seconds(15);

std::u16string widen(const std::string& text) { return {text.begin(), text.end()}; }

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string randomBytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::mt19937 random(seed);
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

using Child = testsupport::ChildProcess;

int runAndWait(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What curl receives for the URL, through the proxy when one is named.
std::string curlBody(const std::string& url, const fs::path& scratch,
                     const std::string& proxy = {}) {
  const fs::path out = scratch / "curl.out";
  fs::remove(out);
  std::vector<std::string> argv = {"curl",       "--silent", "--show-error", "--http1.1",
                                   "--max-time", "30",       "--output",     out.string()};
  if (!proxy.empty()) {
    argv.emplace_back("--proxy");
    argv.push_back(proxy);
  }
  argv.push_back(url);
  const int rc = runAndWait(argv);
  if (rc != 0) throw std::runtime_error("curl failed for " + url);
  return readFile(out);
}

std::uint16_t freeLoopbackPort() {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(socket, reinterpret_cast<sockaddr*>(&local), sizeof local);
  socklen_t length = sizeof local;
  ::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length);
  ::close(socket);
  return ntohs(local.sin_port);
}

// Waits for a file to appear in its folder, at most until the deadline.
bool waitForFile(const fs::path& file, Clock::time_point deadline) {
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ::inotify_add_watch(watch, file.parent_path().c_str(), IN_CREATE | IN_MOVED_TO);
  bool found = fs::exists(file);
  std::array<char, 4096> events{};
  while (!found) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd wait{watch, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
    (void)!::read(watch, events.data(), events.size());
    found = fs::exists(file);
  }
  ::close(watch);
  return found;
}

std::string base64Decode(std::string_view text) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    const std::size_t value = kAlphabet.find(c);
    if (value == std::string_view::npos) continue;
    bits = (bits << 6U) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> static_cast<unsigned>(count)) & 0xFFU);
    }
  }
  return out;
}

// The exact request heads of the records of one kind in a counterpart's record file.
std::vector<std::string> recordedHeads(const fs::path& records, const std::string& kind) {
  std::vector<std::string> heads;
  std::istringstream lines(readFile(records));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find("\"kind\": \"" + kind + "\"") == std::string::npos) continue;
    const std::string key = "\"head_b64\": \"";
    const std::size_t start = line.find(key);
    if (start == std::string::npos) continue;
    const std::size_t end = line.find('"', start + key.size());
    heads.push_back(
        base64Decode(std::string_view(line).substr(start + key.size(), end - start - key.size())));
  }
  return heads;
}

// Starts one of the project's test counterparts on a free port and returns its port.
std::string startTool(std::unique_ptr<Child>& child, const std::string& tool,
                      std::vector<std::string> arguments) {
  std::vector<std::string> argv = {"python3",   (fs::path(HTTP_TEST_TOOLS_DIR) / tool).string(),
                                   "127.0.0.1", "--port",
                                   "0",         "--max-lifetime",
                                   "120"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  child = std::make_unique<Child>(argv);
  const std::string ready = child->readLine(kStartLimit);
  return ready.substr(ready.rfind(' ') + 1);
}

class Interop : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::temp_directory_path() /
               ("httpc-interop-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(scratch_);
    fs::create_directories(scratch_ / "www");
    large_ = randomBytes(3 * 1024 * 1024 + 17, 7);
    writeFile(scratch_ / "www" / "large.bin", large_);
    writeFile(scratch_ / "www" / "small.txt", "small body\n");
  }
  void TearDown() override { fs::remove_all(scratch_); }

  fs::path scratch_;
  std::string large_;
};

TEST_F(Interop, PythonHttpServer) {
  const fs::path script = fs::path(HTTP_TEST_SOURCE_DIR) / "interop_server.py";
  Child server({"python3", script.string(), (scratch_ / "www").string()});
  const std::string base = "http://127.0.0.1:" + server.readLine(kStartLimit);

  http::HttpClient client;
  client.setConnectTimeout(5000);
  client.setReadTimeout(30000);
  http::MemoryStream small;
  client.get(widen(base + "/small.txt"), small);
  const std::u16string firstPort = client.response().rawHeaders.value(u"X-Client-Port");
  http::MemoryStream large;
  client.get(widen(base + "/large.bin"), large);
  // Keep-alive: both replies came on one connection.
  EXPECT_EQ(client.response().rawHeaders.value(u"X-Client-Port"), firstPort);
  EXPECT_EQ(small.view(), curlBody(base + "/small.txt", scratch_));
  EXPECT_EQ(large.view(), curlBody(base + "/large.bin", scratch_));
  EXPECT_EQ(large.view(), large_);

  http::MemoryStream chunked;
  client.get(widen(base + "/chunked/large.bin"), chunked);
  EXPECT_EQ(client.response().rawHeaders.value(u"X-Served"), u"chunked");
  EXPECT_EQ(chunked.view(), curlBody(base + "/chunked/large.bin", scratch_));
  EXPECT_EQ(chunked.view(), large_);
}

TEST_F(Interop, Nginx) {
  const fs::path prefix = scratch_;
  fs::create_directories(prefix / "temp");
  fs::create_directories(prefix / "www" / "ssi");
  writeFile(prefix / "www" / "ssi" / "page.html",
            "<html><body>\n<!--# include file=\"/large.bin\" -->\n</body></html>\n");
  const std::uint16_t port = freeLoopbackPort();
  const std::string temp = (prefix / "temp").string();
  const fs::path conf = prefix / "nginx.conf";
  writeFile(conf,
            "daemon off;\nmaster_process off;\nworker_processes 1;\n"
            "pid " +
                (prefix / "nginx.pid").string() + ";\n" + "error_log " +
                (prefix / "error.log").string() + ";\n" +
                "events { worker_connections 64; }\n"
                "http {\n"
                "  access_log off;\n"
                "  default_type application/octet-stream;\n"
                "  types { text/html html; text/plain txt; }\n"
                "  client_body_temp_path " +
                temp +
                "/body;\n"
                "  proxy_temp_path " +
                temp +
                "/proxy;\n"
                "  fastcgi_temp_path " +
                temp +
                "/fastcgi;\n"
                "  uwsgi_temp_path " +
                temp +
                "/uwsgi;\n"
                "  scgi_temp_path " +
                temp +
                "/scgi;\n"
                "  keepalive_timeout 30s;\n"
                "  server {\n"
                "    listen 127.0.0.1:" +
                std::to_string(port) + ";\n" + "    root " + (prefix / "www").string() + ";\n" +
                "    add_header X-Connection $connection always;\n"
                "    location /ssi/ { ssi on; }\n"
                "  }\n"
                "}\n");
  Child server(
      {"nginx", "-e", (prefix / "error.log").string(), "-c", conf.string(), "-p", prefix.string()});
  ASSERT_TRUE(waitForFile(prefix / "nginx.pid", Clock::now() + kStartLimit))
      << readFile(prefix / "error.log");
  const std::string base = "http://127.0.0.1:" + std::to_string(port);

  http::HttpClient client;
  client.setConnectTimeout(5000);
  client.setReadTimeout(30000);
  http::MemoryStream small;
  client.get(widen(base + "/small.txt"), small);
  const std::u16string firstConnection = client.response().rawHeaders.value(u"X-Connection");
  http::MemoryStream large;
  client.get(widen(base + "/large.bin"), large);
  EXPECT_EQ(client.response().rawHeaders.value(u"X-Connection"), firstConnection);
  EXPECT_EQ(small.view(), curlBody(base + "/small.txt", scratch_));
  EXPECT_EQ(large.view(), curlBody(base + "/large.bin", scratch_));
  EXPECT_EQ(large.view(), large_);

  // SSI output has no length known in advance: nginx sends it chunked.
  http::MemoryStream page;
  client.get(widen(base + "/ssi/page.html"), page);
  EXPECT_NE(client.response().transferEncoding.find(u"chunked"), std::u16string::npos);
  EXPECT_EQ(client.response().rawHeaders.value(u"X-Connection"), firstConnection);
  EXPECT_EQ(page.view(), curlBody(base + "/ssi/page.html", scratch_));
  EXPECT_EQ(page.size(), static_cast<std::int64_t>(large_.size() + 29));

  // An error page of nginx comes back as the protocol error with the page text.
  http::MemoryStream missing;
  try {
    client.get(widen(base + "/absent"), missing);
    FAIL() << "no error";
  } catch (const http::HttpProtocolError& error) {
    EXPECT_EQ(error.errorCode(), 404);
    EXPECT_NE(error.errorMessage().find(u"404 Not Found"), std::u16string::npos);
  }
}

TEST_F(Interop, TinyproxyForwardsAndTunnels) {
  const fs::path script = fs::path(HTTP_TEST_SOURCE_DIR) / "interop_server.py";
  Child origin({"python3", script.string(), (scratch_ / "www").string()});
  const std::string originPort = origin.readLine(kStartLimit);
  const std::string base = "http://127.0.0.1:" + originPort;

  const std::uint16_t proxyPort = freeLoopbackPort();
  const fs::path conf = scratch_ / "tinyproxy.conf";
  writeFile(conf, "Port " + std::to_string(proxyPort) + "\nListen 127.0.0.1\nTimeout 30\n" +
                      "MaxClients 10\nPidFile \"" + (scratch_ / "tinyproxy.pid").string() +
                      "\"\nLogFile \"" + (scratch_ / "tinyproxy.log").string() +
                      "\"\nLogLevel Info\nAllow 127.0.0.1\nConnectPort " + originPort +
                      "\nDisableViaHeader Yes\n");
  Child proxy({"tinyproxy", "-d", "-c", conf.string()});
  ASSERT_TRUE(waitForFile(scratch_ / "tinyproxy.pid", Clock::now() + kStartLimit));
  const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxyPort);

  http::HttpClient client;
  client.setConnectTimeout(5000);
  client.setReadTimeout(30000);
  client.proxyParams().setProxyServer(u"127.0.0.1");
  client.proxyParams().setProxyPort(proxyPort);
  http::MemoryStream large;
  client.get(widen(base + "/large.bin"), large);
  EXPECT_EQ(large.view(), curlBody(base + "/large.bin", scratch_, proxyAddress));
  EXPECT_EQ(large.view(), large_);
  http::MemoryStream chunked;
  client.get(widen(base + "/chunked/large.bin"), chunked);
  EXPECT_EQ(chunked.view(), curlBody(base + "/chunked/large.bin", scratch_, proxyAddress));

  // Through a CONNECT tunnel: the origin sees one connection for both requests.
  http::HttpClient tunneled;
  tunneled.setReadTimeout(30000);
  tunneled.proxyParams().setProxyServer(u"127.0.0.1");
  tunneled.proxyParams().setProxyPort(proxyPort);
  tunneled.setOptions({http::HttpOption::TunnelPlainThroughProxy});
  http::MemoryStream first;
  tunneled.get(widen(base + "/small.txt"), first);
  const std::u16string originSide = tunneled.response().rawHeaders.value(u"X-Client-Port");
  http::MemoryStream second;
  tunneled.get(widen(base + "/large.bin"), second);
  EXPECT_EQ(tunneled.response().rawHeaders.value(u"X-Client-Port"), originSide);
  EXPECT_EQ(first.view(), "small body\n");
  EXPECT_EQ(second.view(), large_);
}

constexpr char kAcceptLine[] =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n";
constexpr char kUserAgentLine[] = "User-Agent: Mozilla/3.0 (compatible; ZEDEZ Updater)\r\n";
constexpr char kServiceAnswer[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><response>OK</response>";

TEST_F(Interop, HttpsWithTheClientsOwnTlsHandler) {
  std::unique_ptr<Child> service;
  const fs::path records = scratch_ / "tls.jsonl";
  const std::string port =
      startTool(service, "tls_service.py", {"--mode", "tls1", "--record", records.string()});
  http_test::ScriptedServer plain;
  plain.addReply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nplain");
  http::HttpClient client;
  client.setConnectTimeout(5000);
  client.setReadTimeout(30000);
  http::MemoryStream body;
  // The plain handler made for the http target gives way to a TLS handler.
  client.get(plain.url("/first"), body);
  client.get(widen("https://127.0.0.1:" + port + "/state"), body);
  EXPECT_EQ(body.view(), std::string("plain") + kServiceAnswer);
  const auto heads = recordedHeads(records, "request");
  ASSERT_EQ(heads.size(), 1U);
  EXPECT_EQ(heads[0], "GET /state HTTP/1.1\r\nHost: 127.0.0.1:" + port + "\r\n" + kAcceptLine +
                          kUserAgentLine + "\r\n");
}

TEST_F(Interop, HttpsPostThroughTheRecordingProxysTunnel) {
  std::unique_ptr<Child> service;
  std::unique_ptr<Child> proxy;
  const fs::path serviceRecords = scratch_ / "tls.jsonl";
  const fs::path proxyRecords = scratch_ / "proxy.jsonl";
  const std::string servicePort =
      startTool(service, "tls_service.py", {"--mode", "tls1", "--record", serviceRecords.string()});
  const std::string proxyPort =
      startTool(proxy, "recording_proxy.py", {"--record", proxyRecords.string()});

  http::HttpClient client;
  client.setConnectTimeout(10000);
  client.proxyParams().setProxyServer(u"127.0.0.1");
  client.proxyParams().setProxyPort(std::stoi(proxyPort));
  const std::string soap = "<?xml version=\"1.0\"?><soap:Envelope/>";
  http::MemoryStream source(std::vector<std::uint8_t>(soap.begin(), soap.end()));
  const std::u16string answer =
      client.post(widen("https://127.0.0.1:" + servicePort + "/mdu/soap/services/v2"), source);

  EXPECT_EQ(answer, widen(kServiceAnswer));
  EXPECT_EQ(client.protocolVersion(), http::HttpVersion::v1_1);
  const auto connects = recordedHeads(proxyRecords, "connect");
  ASSERT_EQ(connects.size(), 1U);
  EXPECT_EQ(connects[0], "CONNECT 127.0.0.1:" + servicePort + " HTTP/1.0\r\n" +
                             "Pragma: no-cache\r\nProxy-Connection: keep-alive\r\n" +
                             "Host: 127.0.0.1:" + servicePort + "\r\n" + kAcceptLine +
                             kUserAgentLine + "\r\n");
  const auto requests = recordedHeads(serviceRecords, "request");
  ASSERT_EQ(requests.size(), 1U);
  EXPECT_EQ(requests[0], "POST /mdu/soap/services/v2 HTTP/1.0\r\nContent-Length: " +
                             std::to_string(soap.size()) + "\r\nHost: 127.0.0.1:" + servicePort +
                             "\r\n" + kAcceptLine + kUserAgentLine + "\r\n");
}

}  // namespace
