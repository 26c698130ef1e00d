#include "http/tls/tls_options.h"

namespace http {

void TlsOptions::setMethod(TlsVersion method) noexcept {
  method_ = method;
  sslVersions_ = method == TlsVersion::SSLv23 ? kAllTlsVersions : TlsVersions{method};
}

void TlsOptions::setSSLVersions(TlsVersions versions) noexcept {
  if (versions.size() == 1 && !versions.contains(TlsVersion::SSLv23)) {
    sslVersions_ = versions;
    for (TlsVersion v : {TlsVersion::SSLv2, TlsVersion::SSLv3, TlsVersion::TLSv1,
                         TlsVersion::TLSv1_1, TlsVersion::TLSv1_2}) {
      if (versions.contains(v)) method_ = v;
    }
    return;
  }
  method_ = TlsVersion::SSLv23;
  if (versions.contains(TlsVersion::SSLv23)) {
    versions.erase(TlsVersion::SSLv23);
    if (versions.empty()) versions = kAllTlsVersions;
  }
  sslVersions_ = versions;
}

}  // namespace http
