#include "tools/bcusim/bcu_memory.h"

#include <algorithm>

#include "link/byte_order.h"
#include "link/emi.h"

namespace lintor::bcusim {

BcuMemory::BcuMemory(uint16_t individualAddress) {
    page_[emi::INDIVIDUAL_ADDRESS_AT - kPageStart] = highByte(individualAddress);
    page_[emi::INDIVIDUAL_ADDRESS_AT + 1 - kPageStart] = lowByte(individualAddress);
}

uint16_t BcuMemory::individualAddress() const {
    return readBigEndian16(page_, emi::INDIVIDUAL_ADDRESS_AT - kPageStart);
}

bool BcuMemory::inPage(uint16_t address, size_t count) const {
    return address >= kPageStart && address - kPageStart + count <= page_.size();
}

std::optional<std::vector<uint8_t>> BcuMemory::handle(std::span<const uint8_t> message) {
    if (message.size() < emi::memory::FIRST_DATA) return std::nullopt;
    const uint8_t code = message[emi::field::MESSAGE_CODE];
    const size_t count = message[emi::memory::COUNT];
    const uint16_t address = readBigEndian16(message, emi::memory::ADDRESS);
    if (!inPage(address, count)) return std::nullopt;
    auto* const at = page_.begin() + (address - kPageStart);
    if (code == emi::PC_SET_VALUE_REQ && message.size() == emi::memory::FIRST_DATA + count) {
        std::ranges::copy(message.subspan(emi::memory::FIRST_DATA), at);
        return std::nullopt;
    }
    if (code != emi::PC_GET_VALUE_REQ || message.size() != emi::memory::FIRST_DATA) return std::nullopt;
    std::vector<uint8_t> answer(message.begin(), message.end());
    answer[emi::field::MESSAGE_CODE] = emi::PC_GET_VALUE_CON;
    answer.insert(answer.end(), at, at + static_cast<std::ptrdiff_t>(count));
    return answer;
}

}  // namespace lintor::bcusim
