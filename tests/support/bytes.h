#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lintor::test {

// "68 02 02 68" -> bytes. Test data only: aborts the test run on a typo.
std::vector<uint8_t> bytes(std::string_view hexText);
// bytes -> "68 02 02 68"
std::string hex(std::span<const uint8_t> data);

// 68 L L 68 control message checksum 16, built apart from the product's own
// encoder so that a fault there cannot hide in the expected bytes.
std::vector<uint8_t> variableFrame(uint8_t control, std::span<const uint8_t> message);

inline std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace lintor::test
