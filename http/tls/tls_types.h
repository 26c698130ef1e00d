#pragma once

#include <cstdint>
#include <initializer_list>

namespace http {

// Protocol versions; the ordinal is the bit of the version in a TlsVersions mask.
enum class TlsVersion : std::uint8_t { SSLv2, SSLv23, SSLv3, TLSv1, TLSv1_1, TLSv1_2 };

enum class TlsMode : std::uint8_t { Unassigned, Client, Server, Both };

enum class TlsVerifyFlag : std::uint8_t { Peer, FailIfNoPeerCert, ClientOnce };

enum class TlsContextKind : std::uint8_t { Client, Server };

// A set over an enumeration, stored as a bit mask with bit (1 << ordinal).
template <typename Enum>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<Enum> members) {
    for (Enum member : members) insert(member);
  }
  static constexpr EnumSet fromMask(unsigned mask) {
    EnumSet set;
    set.mask_ = mask;
    return set;
  }

  [[nodiscard]] constexpr unsigned mask() const noexcept { return mask_; }
  [[nodiscard]] constexpr bool empty() const noexcept { return mask_ == 0; }
  [[nodiscard]] constexpr bool contains(Enum member) const noexcept {
    return (mask_ & bit(member)) != 0;
  }
  [[nodiscard]] constexpr int size() const noexcept {
    int count = 0;
    for (unsigned rest = mask_; rest != 0; rest &= rest - 1) ++count;
    return count;
  }
  constexpr void insert(Enum member) noexcept { mask_ |= bit(member); }
  constexpr void erase(Enum member) noexcept { mask_ &= ~bit(member); }

  friend constexpr bool operator==(EnumSet, EnumSet) = default;

 private:
  static constexpr unsigned bit(Enum member) noexcept {
    return 1U << static_cast<unsigned>(member);
  }

  unsigned mask_ = 0;
};

using TlsVersions = EnumSet<TlsVersion>;
// Passed to OpenSSL as its verify mode unchanged (peer 1, fail-if-no-peer-cert 2, client-once 4).
using TlsVerifyFlags = EnumSet<TlsVerifyFlag>;

// Every version but TlsVersion::SSLv23.
inline constexpr TlsVersions kAllTlsVersions = TlsVersions::fromMask(61);

}  // namespace http
