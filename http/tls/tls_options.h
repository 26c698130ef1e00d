#pragma once

#include <string>

#include "http/tls/tls_types.h"

namespace http {

// The settings a TLS handler builds its context from. Method and SSLVersions keep each other
// consistent: a single version is its own method, anything else means TlsVersion::SSLv23.
class TlsOptions {
 public:
  [[nodiscard]] TlsVersion method() const noexcept { return method_; }
  // v selects {v}; TlsVersion::SSLv23 selects every version but itself.
  void setMethod(TlsVersion method) noexcept;
  [[nodiscard]] TlsVersions sslVersions() const noexcept { return sslVersions_; }
  void setSSLVersions(TlsVersions versions) noexcept;

  [[nodiscard]] TlsMode mode() const noexcept { return mode_; }
  void setMode(TlsMode mode) noexcept { mode_ = mode; }
  [[nodiscard]] TlsVerifyFlags verifyMode() const noexcept { return verifyMode_; }
  void setVerifyMode(TlsVerifyFlags flags) noexcept { verifyMode_ = flags; }
  [[nodiscard]] int verifyDepth() const noexcept { return verifyDepth_; }
  void setVerifyDepth(int depth) noexcept { verifyDepth_ = depth; }

  // File and directory names; empty means none.
  std::u16string rootCertFile;
  std::u16string certFile;
  std::u16string keyFile;
  std::u16string dhParamsFile;
  std::u16string verifyDirs;
  // OpenSSL cipher string; empty keeps the library default.
  std::u16string cipherList;

 private:
  TlsVersion method_ = TlsVersion::TLSv1;
  TlsVersions sslVersions_{TlsVersion::TLSv1};
  TlsMode mode_ = TlsMode::Unassigned;
  TlsVerifyFlags verifyMode_;
  int verifyDepth_ = 0;
};

}  // namespace http
