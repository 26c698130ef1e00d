#include <gtest/gtest.h>
#include <openssl/ssl.h>

#include "http/tls/tls_context.h"
#include "http/tls/tls_errors.h"
#include "http/tls/tls_options.h"
#include "http/tls/uri_host.h"
#include "text/utf8_codec.h"

namespace {

using http::TlsVersion;
using http::TlsVersions;

TEST(TlsOptionsTest, MethodAndVersionsFollowEachOther) {
  http::TlsOptions options;
  EXPECT_EQ(options.method(), TlsVersion::TLSv1);
  EXPECT_EQ(options.sslVersions(), TlsVersions{TlsVersion::TLSv1});
  EXPECT_EQ(options.mode(), http::TlsMode::Unassigned);
  EXPECT_TRUE(options.verifyMode().empty());

  options.setMethod(TlsVersion::TLSv1_2);
  EXPECT_EQ(options.sslVersions().mask(), 1U << 5);
  options.setMethod(TlsVersion::SSLv23);
  EXPECT_EQ(options.sslVersions().mask(), 61U);

  options.setSSLVersions({TlsVersion::TLSv1_1});
  EXPECT_EQ(options.method(), TlsVersion::TLSv1_1);
  options.setSSLVersions({TlsVersion::TLSv1, TlsVersion::TLSv1_2});
  EXPECT_EQ(options.method(), TlsVersion::SSLv23);
  EXPECT_EQ(options.sslVersions(), (TlsVersions{TlsVersion::TLSv1, TlsVersion::TLSv1_2}));
  // SSLv23 inside a set is dropped; alone it stands for every version.
  options.setSSLVersions({TlsVersion::SSLv23, TlsVersion::SSLv3});
  EXPECT_EQ(options.sslVersions(), TlsVersions{TlsVersion::SSLv3});
  EXPECT_EQ(options.method(), TlsVersion::SSLv23);
  options.setSSLVersions({TlsVersion::SSLv23});
  EXPECT_EQ(options.sslVersions().mask(), 61U);
}

TEST(TlsContextTest, DefaultsMakeATls10OnlyClientWithoutVerification) {
  http::TlsOptions options;
  http::TlsContext context(options);
  context.prepare(http::TlsContextKind::Client);
  SSL_CTX* handle = context.handle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(context.mode(), http::TlsMode::Client);
  EXPECT_EQ(SSL_CTX_get_min_proto_version(handle), TLS1_VERSION);
  EXPECT_EQ(SSL_CTX_get_max_proto_version(handle), TLS1_VERSION);
  EXPECT_EQ(SSL_CTX_get_security_level(handle), 0);
  EXPECT_NE(SSL_CTX_get_mode(handle) & SSL_MODE_AUTO_RETRY, 0U);
  EXPECT_NE(SSL_CTX_get_options(handle) & SSL_OP_NO_TLSv1_2, 0U);
  EXPECT_EQ(SSL_CTX_get_options(handle) & SSL_OP_NO_TLSv1, 0U);
  EXPECT_EQ(SSL_CTX_get_verify_mode(handle), SSL_VERIFY_NONE);
}

template <typename ErrorType>
void expectPrepareError(const http::TlsOptions& options, const std::string& message) {
  http::TlsContext context(options);
  try {
    context.prepare(http::TlsContextKind::Client);
    ADD_FAILURE() << "no error";
  } catch (const ErrorType& error) {
    EXPECT_EQ(error.what(), message);
    EXPECT_TRUE(typeid(error) == typeid(ErrorType)) << error.className();
  }
}

TEST(TlsContextTest, RefusedSettingsRaiseTheirOwnErrors) {
  http::TlsOptions options;
  options.setMethod(TlsVersion::SSLv2);  // not in this library
  expectPrepareError<http::TlsMethodError>(options, "Error getting SSL method.");

  options = {};
  options.cipherList = u"NO-SUCH-CIPHER";
  expectPrepareError<http::TlsCipherError>(options, "SetCipher failed.");

  options = {};
  options.certFile = u"/nonexistent/cert.pem";
  http::TlsContext context(options);
  try {
    context.prepare(http::TlsContextKind::Client);
    ADD_FAILURE() << "no error";
  } catch (const http::TlsCertLoadError& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with("Could not load certificate.\r\nerror:"))
        << error.what();
    EXPECT_NE(error.errorCode(), 0U);
  }
}

TEST(TlsContextTest, VerificationIsAppliedOnlyWhenAsked) {
  http::TlsOptions options;
  options.setVerifyMode({http::TlsVerifyFlag::Peer, http::TlsVerifyFlag::FailIfNoPeerCert});
  options.setVerifyDepth(3);
  http::TlsContext context(options);
  context.prepare(http::TlsContextKind::Client);
  EXPECT_EQ(SSL_CTX_get_verify_mode(context.handle()), 3);
  EXPECT_EQ(SSL_CTX_get_verify_depth(context.handle()), 3);
}

TEST(UriHostTest, HostOfUrlLikeTheClientParsesIt) {
  EXPECT_EQ(http::hostOfUri(u"https://ekasa-i.financnasprava.sk/mdu/soap/services/v2"),
            u"ekasa-i.financnasprava.sk");
  EXPECT_EQ(http::hostOfUri(u"https://user:pw@host.test:8443?a=b"), u"host.test");
  EXPECT_EQ(http::hostOfUri(u"https://a@b@host.test\\x"), u"host.test");
  EXPECT_EQ(http::hostOfUri(u"https://[::1]:443/"), u"::1");
  EXPECT_EQ(http::hostOfUri(u"//host.test/x"), u"host.test");
  EXPECT_EQ(http::hostOfUri(u"/relative/path"), u"");
  EXPECT_EQ(http::hostOfUri(u"https:///path"), u"");
}

}  // namespace
