#include "app/window/local_interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>

namespace app {

std::vector<InterfaceAddress> localInterfaces() {
  std::vector<InterfaceAddress> found;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return found;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr ||
        entry->ifa_addr->sa_family != AF_INET) {
      continue;
    }
    sockaddr_in address{};
    sockaddr_in netmask{};
    std::memcpy(&address, entry->ifa_addr, sizeof address);
    std::memcpy(&netmask, entry->ifa_netmask, sizeof netmask);
    found.push_back({.address = ntohl(address.sin_addr.s_addr),
                     .netmask = ntohl(netmask.sin_addr.s_addr),
                     .up = (entry->ifa_flags & IFF_UP) != 0,
                     .loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0});
  }
  freeifaddrs(list);
  return found;
}

}  // namespace app
