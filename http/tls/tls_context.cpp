#include "http/tls/tls_context.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <array>
#include <memory>
#include <string>

#include "http/tls/tls_errors.h"
#include "http/tls/tls_library.h"
#include "text/utf8_codec.h"

namespace http {
namespace {

struct VersionSwitch {
  TlsVersion version;
  int protocol;  // OpenSSL's version number; 0 when this library cannot speak it
  std::uint64_t noOption;
};

// SSLv2 and SSLv3 are not built into the OpenSSL 3 we link.
const std::array<VersionSwitch, 5> kVersionSwitches = {{
    {TlsVersion::SSLv2, 0, 0},
#ifndef OPENSSL_NO_SSL3_METHOD
    {TlsVersion::SSLv3, SSL3_VERSION, SSL_OP_NO_SSLv3},
#else
    {TlsVersion::SSLv3, 0, 0},
#endif
    {TlsVersion::TLSv1, TLS1_VERSION, SSL_OP_NO_TLSv1},
    {TlsVersion::TLSv1_1, TLS1_1_VERSION, SSL_OP_NO_TLSv1_1},
    {TlsVersion::TLSv1_2, TLS1_2_VERSION, SSL_OP_NO_TLSv1_2},
}};

const VersionSwitch* findVersion(TlsVersion version) {
  for (const auto& entry : kVersionSwitches) {
    if (entry.version == version) return &entry;
  }
  return nullptr;
}

const SSL_METHOD* roleMethod(TlsMode mode) {
  switch (mode) {
    case TlsMode::Client:
      return TLS_client_method();
    case TlsMode::Server:
      return TLS_server_method();
    case TlsMode::Both:
      return TLS_method();
    case TlsMode::Unassigned:
      break;
  }
  return nullptr;
}

std::string fileName(const std::u16string& name) { return text::utf16ToUtf8(name); }

// The protocol versions the context may speak: the pinned one alone, or those chosen among
// TLS 1.0 to 1.2 when pinned is null.
void applyVersions(SSL_CTX* context, const TlsOptions& options, const VersionSwitch* pinned) {
  const bool negotiated = pinned == nullptr;
  SSL_CTX_set_security_level(context, 0);
  if (negotiated) {
    SSL_CTX_set_min_proto_version(context, TLS1_VERSION);
    SSL_CTX_set_max_proto_version(context, TLS1_2_VERSION);
  } else {
    SSL_CTX_set_min_proto_version(context, pinned->protocol);
    SSL_CTX_set_max_proto_version(context, pinned->protocol);
  }
  for (const auto& entry : kVersionSwitches) {
    if (entry.protocol == 0) continue;
    if (!options.sslVersions().contains(entry.version)) {
      SSL_CTX_set_options(context, entry.noOption);
    } else if (negotiated) {
      SSL_CTX_clear_options(context, entry.noOption);
    }
  }
}

// The certificate, key and parameter files the options name.
void loadFiles(SSL_CTX* context, const TlsOptions& options) {
  if (!options.rootCertFile.empty() &&
      SSL_CTX_load_verify_locations(context, fileName(options.rootCertFile).c_str(), nullptr) !=
          1) {
    raiseTlsCryptoError<TlsRootCertLoadError>(tls_text::kRootCertLoad);
  }
  if (!options.certFile.empty() &&
      SSL_CTX_use_certificate_file(context, fileName(options.certFile).c_str(), SSL_FILETYPE_PEM) !=
          1) {
    raiseTlsCryptoError<TlsCertLoadError>(tls_text::kCertLoad);
  }
  if (!options.keyFile.empty() &&
      SSL_CTX_use_PrivateKey_file(context, fileName(options.keyFile).c_str(), SSL_FILETYPE_PEM) !=
          1) {
    raiseTlsCryptoError<TlsKeyLoadError>(tls_text::kKeyLoad);
  }
  if (!options.dhParamsFile.empty()) {
    const std::unique_ptr<BIO, decltype(&BIO_free)> file(
        BIO_new_file(fileName(options.dhParamsFile).c_str(), "r"), &BIO_free);
    EVP_PKEY* parameters = file ? PEM_read_bio_Parameters(file.get(), nullptr) : nullptr;
    if (parameters == nullptr || SSL_CTX_set0_tmp_dh_pkey(context, parameters) != 1) {
      EVP_PKEY_free(parameters);
      raiseTlsCryptoError<TlsDhParamsLoadError>(tls_text::kDhParamsLoad);
    }
  }
}

}  // namespace

void TlsContext::Free::operator()(SSL_CTX* context) const noexcept { SSL_CTX_free(context); }

TlsContext::TlsContext(TlsOptions options, const void* parent)
    : options_(std::move(options)), parent_(parent) {
  if (!loadTlsLibrary()) throw TlsLibraryLoadError(tls_text::kLibraryLoad);
}

TlsContext::~TlsContext() = default;

void TlsContext::prepare(TlsContextKind kind) {
  handle_.reset();
  if (options_.mode() == TlsMode::Unassigned) {
    options_.setMode(kind == TlsContextKind::Client ? TlsMode::Client : TlsMode::Server);
  }

  // A fixed method pins its one version; SSLv23 negotiates among the chosen ones.
  const bool negotiated = options_.method() == TlsVersion::SSLv23;
  const VersionSwitch* pinned = negotiated ? nullptr : findVersion(options_.method());
  if (!negotiated && (pinned == nullptr || pinned->protocol == 0)) {
    throw TlsMethodError(tls_text::kMethod);
  }
  const SSL_METHOD* method = roleMethod(options_.mode());
  if (method == nullptr) throw TlsModeNotSetError(tls_text::kModeNotSet);

  ERR_clear_error();
  handle_.reset(SSL_CTX_new(method));
  if (!handle_) raiseTlsCryptoError<TlsContextCreateError>(tls_text::kContextCreate);
  SSL_CTX* context = handle_.get();

  applyVersions(context, options_, pinned);

  SSL_CTX_set_mode(context, SSL_MODE_AUTO_RETRY);
  SSL_CTX_set_default_verify_paths(context);

  loadFiles(context, options_);

  if (!options_.cipherList.empty() &&
      SSL_CTX_set_cipher_list(context, text::utf16ToUtf8(options_.cipherList).c_str()) <= 0) {
    ERR_clear_error();
    throw TlsCipherError(tls_text::kCipher);
  }
  if (!options_.verifyMode().empty()) {
    SSL_CTX_set_verify(context, static_cast<int>(options_.verifyMode().mask()), nullptr);
    SSL_CTX_set_verify_depth(context, options_.verifyDepth());
  }

  if (kind == TlsContextKind::Server) {
    static constexpr std::array<unsigned char, 4> kSessionIdContext = {1, 0, 0, 0};
    SSL_CTX_set_session_id_context(context, kSessionIdContext.data(), kSessionIdContext.size());
    if (!options_.rootCertFile.empty()) {
      SSL_CTX_set_client_CA_list(context,
                                 SSL_load_client_CA_file(fileName(options_.rootCertFile).c_str()));
    }
  }
}

}  // namespace http
