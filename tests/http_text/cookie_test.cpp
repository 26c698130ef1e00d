#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "http/cookie_jar.h"
#include "http/cookies/cookie_date.h"
#include "http/cookies/cookie_rules.h"

namespace http {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

const Cookie::Time kNow = sys_days{2026y / December / 8} + 12h;

std::optional<Cookie> parse(std::u16string_view setCookie, std::u16string_view target) {
  const Uri uri(target);
  return parseSetCookie(setCookie, {uri.protocol(), uri.host(), uri.path()}, kNow);
}

Cookie parsed(std::u16string_view setCookie, std::u16string_view target = u"http://h.test/a/b") {
  const std::optional<Cookie> cookie = parse(setCookie, target);
  EXPECT_TRUE(cookie.has_value()) << "refused";
  return cookie.value_or(Cookie{});
}

bool refused(std::u16string_view setCookie, std::u16string_view target = u"http://h.test/a/b") {
  return !parse(setCookie, target).has_value();
}

TEST(SetCookieParse, NameAndValue) {
  const Cookie cookie = parsed(u"  sid = a b ; Path=/");
  EXPECT_EQ(cookie.cookieName, u"sid");
  EXPECT_EQ(cookie.value, u"a b");
  EXPECT_EQ(cookie.clientCookie(), u"sid=a b");
  EXPECT_EQ(parsed(u"e=").value, u"");
  EXPECT_EQ(parsed(u"x=a=b").value, u"a=b");
  EXPECT_TRUE(refused(u"novalue"));
  EXPECT_TRUE(refused(u"novalue; x=1"));
  EXPECT_TRUE(refused(u" =v"));
  EXPECT_TRUE(refused(u""));
}

TEST(SetCookieParse, AttributesAreCaseInsensitiveAndTheLastOneCounts) {
  const Cookie cookie = parsed(u"a=1; PATH=/x; path=/y; sEcUrE; HTTPONLY; Unknown=3; Comment");
  EXPECT_EQ(cookie.path, u"/y");
  EXPECT_TRUE(cookie.secure);
  EXPECT_TRUE(cookie.httpOnly);
  EXPECT_FALSE(cookie.persistent);
  EXPECT_EQ(cookie.expires, Cookie::kSessionEndTime);
  EXPECT_EQ(cookie.createdAt, kNow);
  EXPECT_EQ(cookie.lastAccessed, kNow);
  EXPECT_EQ(parsed(u"a=1; Path=\"/q;x\"").path, u"/q");
  EXPECT_EQ(parsed(u"a=1; Path=\"/quoted\" tail").path, u"/quoted");
}

TEST(SetCookieParse, Lifetime) {
  EXPECT_EQ(parsed(u"a=1; Max-Age=60").expires, kNow + 60s);
  EXPECT_TRUE(parsed(u"a=1; Max-Age=60").persistent);
  EXPECT_EQ(parsed(u"a=1; Max-Age=-1").expires, Cookie::kExpiredTime);
  EXPECT_EQ(parsed(u"a=1; Max-Age=0").expires, Cookie::kExpiredTime);
  EXPECT_EQ(parsed(u"a=1; Max-Age=99999999999999999999999").expires, Cookie::kSessionEndTime);
  // Max-Age wins over Expires, in either order; one that is no number is ignored.
  EXPECT_EQ(parsed(u"a=1; Max-Age=5; Expires=Wed, 09 Jun 2021 10:18:14 GMT").expires, kNow + 5s);
  EXPECT_EQ(parsed(u"a=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT; Max-Age=5").expires, kNow + 5s);
  EXPECT_EQ(parsed(u"a=1; Max-Age=5x; Expires=Wed, 09 Jun 2021 10:18:14 GMT").expires,
            sys_days{2021y / June / 9} + 10h + 18min + 14s);
  // Expires given as a number counts as seconds from now.
  EXPECT_EQ(parsed(u"a=1; Expires=30").expires, kNow + 30s);
  const Cookie unreadable = parsed(u"a=1; Expires=someday");
  EXPECT_FALSE(unreadable.persistent);
  EXPECT_EQ(unreadable.expires, Cookie::kSessionEndTime);
}

TEST(SetCookieParse, Domain) {
  const Cookie hostOnly = parsed(u"a=1", u"http://Www.H.test/");
  EXPECT_TRUE(hostOnly.hostOnly);
  EXPECT_EQ(hostOnly.domain, u"Www.H.test");

  const Cookie parent = parsed(u"a=1; Domain=.H.TEST", u"http://www.h.test/");
  EXPECT_FALSE(parent.hostOnly);
  EXPECT_EQ(parent.domain, u"h.test");

  EXPECT_TRUE(parsed(u"a=1; Domain=.", u"http://h.test/").hostOnly);
  EXPECT_TRUE(refused(u"a=1; Domain=other.test", u"http://www.h.test/"));
  EXPECT_TRUE(refused(u"a=1; Domain=w.h.test", u"http://www.h.test/"));
  // An IP address only takes its own address as the domain.
  EXPECT_TRUE(refused(u"a=1; Domain=0.0.1", u"http://10.0.0.1/"));
  EXPECT_FALSE(parsed(u"a=1; Domain=10.0.0.1", u"http://10.0.0.1/").hostOnly);
}

TEST(SetCookieParse, DefaultPathIsTheTargetDirectory) {
  EXPECT_EQ(parsed(u"a=1", u"http://10.77.82.80/api/state").path, u"/api");
  EXPECT_EQ(parsed(u"a=1; Path=relative", u"http://h/x/y/z").path, u"/x/y");
  EXPECT_EQ(parsed(u"a=1; Path=", u"http://h/doc").path, u"/");
  EXPECT_EQ(parsed(u"a=1", u"http://h").path, u"/");
}

TEST(SetCookieParse, HttpOnlyNeedsAnHttpProtocol) {
  EXPECT_TRUE(refused(u"a=1; HttpOnly", u"ftp://h/"));
  EXPECT_FALSE(refused(u"a=1; HttpOnly", u"HTTPS://h/"));
  EXPECT_FALSE(refused(u"a=1", u"ftp://h/"));
}

TEST(CookieMatching, DomainAndPath) {
  EXPECT_TRUE(cookieDomainMatches(u"www.h.test", u"h.test"));
  EXPECT_TRUE(cookieDomainMatches(u"H.TEST", u"h.test"));
  EXPECT_FALSE(cookieDomainMatches(u"wwwh.test", u"h.test"));
  EXPECT_FALSE(cookieDomainMatches(u"h.test", u"www.h.test"));
  EXPECT_FALSE(cookieDomainMatches(u"10.0.0.1", u"0.0.1"));
  EXPECT_FALSE(cookieDomainMatches(u"fe80::1", u"1"));
  EXPECT_FALSE(cookieDomainMatches(u"", u""));

  EXPECT_TRUE(cookiePathMatches(u"/api/", u"/api"));
  EXPECT_TRUE(cookiePathMatches(u"/API", u"/api"));
  EXPECT_TRUE(cookiePathMatches(u"/api/x", u"/api/"));
  EXPECT_TRUE(cookiePathMatches(u"/anything", u"/"));
  EXPECT_FALSE(cookiePathMatches(u"/apix", u"/api"));
  EXPECT_FALSE(cookiePathMatches(u"/ap", u"/api"));
}

TEST(CookieDate, FormsAcceptedAndRejected) {
  const Cookie::Time expected = sys_days{1994y / November / 6} + 8h + 49min + 37s;
  EXPECT_EQ(parseCookieDate(u"Sun, 06 Nov 1994 08:49:37 GMT"), expected);
  EXPECT_EQ(parseCookieDate(u"Sunday, 06-Nov-94 08:49:37 GMT"), expected);
  EXPECT_EQ(parseCookieDate(u"Sun Nov  6 08:49:37 1994"), expected);
  EXPECT_EQ(parseCookieDate(u"6 november 1994 8:49:37"), expected);
  EXPECT_EQ(parseCookieDate(u"Thu, 01 Jan 2037 00:00:00 GMT"), sys_days{2037y / January / 1});
  EXPECT_EQ(parseCookieDate(u"01-Jan-69 00:00:00"), sys_days{2069y / January / 1});
  EXPECT_EQ(parseCookieDate(u"31 Dec 9999 23:59:59"),
            sys_days{9999y / December / 31} + 23h + 59min + 59s);
  EXPECT_FALSE(parseCookieDate(u"31 Feb 2020 00:00:00"));
  EXPECT_FALSE(parseCookieDate(u"06 Nov 1600 08:49:37"));
  EXPECT_FALSE(parseCookieDate(u"06 Nov 1994 24:00:00"));
  EXPECT_FALSE(parseCookieDate(u"06 Nov 1994"));
  EXPECT_FALSE(parseCookieDate(u"06 Nov 12345 08:49:37"));
  EXPECT_FALSE(parseCookieDate(u""));
}

// A jar on a clock the test moves by hand.
class CookieJarTest : public ::testing::Test {
 protected:
  Cookie::Time now = kNow;
  CookieJar jar{[this] { return now; }};

  void set(std::u16string_view setCookie, std::u16string_view target) {
    jar.addServerCookie(setCookie, Uri(target));
  }
  std::u16string line(std::u16string_view target, bool secureOnly = false) {
    return jar.generateClientCookies(Uri(target), secureOnly);
  }
};

TEST_F(CookieJarTest, StateCookieGoesBackWithTheSettingsRequest) {
  const std::vector<std::u16string> values{u"sid=42", u"bad"};
  jar.addServerCookies(values, Uri(u"http://10.77.82.80/api/state"));
  ASSERT_EQ(jar.count(), 1U);
  EXPECT_EQ(jar.cookies()[0].path, u"/api");
  EXPECT_EQ(line(u"http://10.77.82.80/api/settings"), u"sid=42");
  EXPECT_EQ(line(u"http://10.77.82.80/other"), u"");
  EXPECT_EQ(line(u"http://10.77.82.81/api/settings"), u"");
}

TEST_F(CookieJarTest, LongerPathsFirstThenOlderCookies) {
  set(u"root=1; Path=/", u"http://h/");
  now += 1s;
  set(u"api=2; Path=/api", u"http://h/");
  now += 1s;
  set(u"root2=3; Path=/", u"http://h/");
  EXPECT_EQ(line(u"http://h/api/state"), u"api=2; root=1; root2=3");
  // Replacing keeps the creation time, so the order stays.
  now += 1s;
  set(u"root=4; Path=/", u"http://h/");
  EXPECT_EQ(line(u"http://h/api/state"), u"api=2; root=4; root2=3");
  EXPECT_EQ(jar.cookies().back().cookieName, u"root");
  EXPECT_EQ(jar.cookies().back().createdAt, kNow);
}

TEST_F(CookieJarTest, ReplacementAndDeletionMatchNameDomainAndPath) {
  set(u"a=1; Path=/x", u"http://h/");
  set(u"a=2; Path=/y", u"http://h/");
  set(u"A=3; Path=/X", u"http://H/");
  EXPECT_EQ(jar.count(), 2U);
  EXPECT_EQ(line(u"http://h/x/"), u"A=3");
  set(u"a=; Max-Age=-1; Path=/x", u"http://h/");
  EXPECT_EQ(jar.count(), 1U);
  set(u"a=; Max-Age=0; Path=/y", u"http://h/");
  EXPECT_EQ(jar.count(), 0U);
  // An expired cookie with nothing to delete is not stored.
  set(u"b=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT", u"http://h/");
  EXPECT_EQ(jar.count(), 0U);
}

TEST_F(CookieJarTest, HttpOnlyCookieIsNotReplacedFromAnotherProtocol) {
  set(u"a=1; HttpOnly; Path=/", u"http://h/");
  set(u"a=2; Path=/", u"ftp://h/");
  EXPECT_EQ(line(u"http://h/"), u"a=1");
  EXPECT_EQ(line(u"ftp://h/"), u"");
  set(u"a=3; Path=/", u"https://h/");
  EXPECT_EQ(line(u"ftp://h/"), u"a=3");
}

TEST_F(CookieJarTest, DomainCookiesReachSubdomainsButNotIpAddresses) {
  set(u"d=1; Domain=.EXAMPLE.test; Path=/", u"http://www.example.test/");
  set(u"h=2; Path=/", u"http://www.example.test/");
  EXPECT_EQ(line(u"http://www.example.test/"), u"d=1; h=2");
  EXPECT_EQ(line(u"http://example.test/"), u"d=1");
  EXPECT_EQ(line(u"http://a.b.example.test/"), u"d=1");
  EXPECT_EQ(line(u"http://notexample.test/"), u"");
  EXPECT_EQ(line(u"http://sub.www.example.test/"), u"d=1");
}

TEST_F(CookieJarTest, SecureAndHttpOnlyFlagsLimitWhereCookiesGo) {
  set(u"s=1; Secure; Path=/", u"https://h/");
  set(u"o=2; HttpOnly; Path=/", u"https://h/");
  EXPECT_EQ(line(u"http://h/"), u"o=2");
  EXPECT_EQ(line(u"https://h/", true), u"s=1; o=2");
  EXPECT_EQ(line(u"ftp://h/", true), u"s=1");
}

TEST_F(CookieJarTest, CookieWithTheDocumentAsPathIsSentToThatDocument) {
  set(u"p=1; Path=/api/state", u"http://h/api/state");
  EXPECT_EQ(line(u"http://h/api/state"), u"p=1");
  EXPECT_EQ(line(u"http://h/api/state/more"), u"p=1");
  EXPECT_EQ(line(u"http://h/api/settings"), u"");
}

TEST_F(CookieJarTest, ExpiredCookiesAreDroppedWhenALineIsMade) {
  set(u"short=1; Max-Age=10; Path=/", u"http://h/");
  set(u"long=2; Max-Age=100; Path=/", u"http://h/");
  EXPECT_EQ(line(u"http://h/"), u"short=1; long=2");
  now += 10s;
  EXPECT_EQ(line(u"http://h/"), u"short=1; long=2");
  now += 1ms;
  EXPECT_EQ(line(u"http://h/"), u"long=2");
  EXPECT_EQ(jar.count(), 1U);
  EXPECT_EQ(jar.cookies()[0].lastAccessed, now);
}

TEST_F(CookieJarTest, NewCookieCallbackMayRefuseAndMayLookIntoTheJar) {
  std::size_t seenCount = 99;
  jar.setOnNewCookie([&](const Cookie& cookie) {
    seenCount = jar.count();
    return cookie.cookieName != u"refused";
  });
  set(u"refused=1", u"http://h/");
  set(u"kept=1", u"http://h/");
  EXPECT_EQ(seenCount, 0U);
  EXPECT_EQ(jar.count(), 1U);
  jar.setOnNewCookie({});
  set(u"refused=1", u"http://h/");
  EXPECT_EQ(jar.count(), 2U);
  jar.clear();
  EXPECT_EQ(jar.count(), 0U);
}

TEST_F(CookieJarTest, BoundsDropTheLeastRecentlyUsedAndIgnoreOversizedCookies) {
  const auto number = [](std::size_t i) {
    const std::string digits = std::to_string(i);
    return std::u16string(digits.begin(), digits.end());
  };
  set(u"big=" + std::u16string(CookieJar::kMaxCookieBytes - 4, u'v'), u"http://h/");
  set(u"bigger=" + std::u16string(CookieJar::kMaxCookieBytes - 6, u'v'), u"http://h/");
  ASSERT_EQ(jar.count(), 1U);
  EXPECT_EQ(jar.cookies()[0].cookieName, u"big");
  jar.clear();

  // One domain: the cookie sent most recently stays, the least recently used one goes.
  set(u"c0=1; Path=/keep", u"http://h/");
  for (std::size_t i = 1; i < CookieJar::kMaxCookiesPerDomain; ++i) {
    now += 1ms;
    set(u"c" + number(i) + u"=1; Path=/other", u"http://h/");
  }
  set(u"elsewhere=1", u"http://g/");
  now += 1ms;
  EXPECT_EQ(line(u"http://h/keep/"), u"c0=1");
  now += 1ms;
  set(u"last=1; Path=/other", u"http://h/");
  EXPECT_EQ(jar.count(), CookieJar::kMaxCookiesPerDomain + 1);
  EXPECT_EQ(line(u"http://h/keep/"), u"c0=1");
  EXPECT_FALSE(line(u"http://h/other/").starts_with(u"c1=1;"));
  EXPECT_TRUE(line(u"http://h/other/").ends_with(u"; last=1"));
  EXPECT_EQ(line(u"http://g/"), u"elsewhere=1");

  // In all: the least recently used cookies of any domain go.
  jar.clear();
  const std::size_t hosts = CookieJar::kMaxCookies / CookieJar::kMaxCookiesPerDomain + 1;
  for (std::size_t host = 0; host < hosts; ++host) {
    for (std::size_t i = 0; i < CookieJar::kMaxCookiesPerDomain; ++i) {
      now += 1ms;
      set(u"c" + number(i) + u"=1", u"http://h" + number(host) + u"/");
    }
  }
  EXPECT_EQ(jar.count(), CookieJar::kMaxCookies);
  EXPECT_EQ(line(u"http://h0/"), u"");
  EXPECT_FALSE(line(u"http://h1/").empty());
}

TEST(CookieJarConcurrency, StoringAndSendingFromSeveralThreads) {
  CookieJar jar;
  const Uri target(u"http://h.test/api/state");
  std::atomic<bool> failed{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        const std::u16string name = u"c" + std::u16string(1, static_cast<char16_t>(u'a' + t));
        jar.addServerCookie(name + u"=" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)),
                            target);
        if (jar.generateClientCookies(target, false).find(name) == std::u16string::npos) {
          failed = true;
        }
        (void)jar.cookies();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_FALSE(failed);
  EXPECT_EQ(jar.count(), 4U);
}

}  // namespace
}  // namespace http
