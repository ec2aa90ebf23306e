#include "platform/hardware_address.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace lintor {
namespace {

// Frees the list however the search ends.
class InterfaceList {
public:
    InterfaceList() {
        if (::getifaddrs(&head_) != 0) head_ = nullptr;
    }
    ~InterfaceList() {
        if (head_ != nullptr) ::freeifaddrs(head_);
    }
    InterfaceList(const InterfaceList&) = delete;
    InterfaceList& operator=(const InterfaceList&) = delete;
    const ifaddrs* head() const { return head_; }

private:
    ifaddrs* head_ = nullptr;
};

// An entry's address as the type its family says, copied: the cast would
// claim an alignment that sockaddr lacks (armhf's compiler refuses it).
template <typename Address>
Address addressOf(const ifaddrs* entry) {
    Address address{};
    std::memcpy(&address, entry->ifa_addr, sizeof address);
    return address;
}

bool isUsable(const ifaddrs* entry) {
    return entry->ifa_addr != nullptr && (entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_LOOPBACK) == 0;
}

std::string interfaceHolding(const InterfaceList& list, uint32_t address) {
    for (const ifaddrs* entry = list.head(); entry != nullptr; entry = entry->ifa_next) {
        if (!isUsable(entry) || entry->ifa_addr->sa_family != AF_INET) continue;
        if (ntohl(addressOf<sockaddr_in>(entry).sin_addr.s_addr) == address) return entry->ifa_name;
    }
    return {};
}

}  // namespace

std::optional<HardwareAddress> hardwareAddressFor(uint32_t address) {
    const InterfaceList list;
    const std::string wanted = address == 0 ? std::string() : interfaceHolding(list, address);
    for (const ifaddrs* entry = list.head(); entry != nullptr; entry = entry->ifa_next) {
        if (!isUsable(entry) || entry->ifa_addr->sa_family != AF_PACKET) continue;
        if (!wanted.empty() && wanted != entry->ifa_name) continue;
        const auto link = addressOf<sockaddr_ll>(entry);
        HardwareAddress hardware{};
        if (link.sll_halen != hardware.size()) continue;
        std::memcpy(hardware.data(), link.sll_addr, hardware.size());
        if (std::ranges::all_of(hardware, [](uint8_t b) { return b == 0; })) continue;
        return hardware;
    }
    return std::nullopt;
}

}  // namespace lintor
