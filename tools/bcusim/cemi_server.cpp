#include "tools/bcusim/cemi_server.h"

#include "link/byte_order.h"
#include "link/cemi.h"

namespace lintor::bcusim {
namespace {

namespace object = cemi::object;
namespace property = cemi::property;
namespace property_error = cemi::property_error;

constexpr uint8_t kMediumTypeProperty = 51;
constexpr uint8_t kMediumTp1 = 0x02;
// Error code for a value the property does not take.
constexpr uint8_t kOutOfRange = 0x01;
// A read from index 0 asks for the number of elements; every property here
// has one.
constexpr uint16_t kElementCountIndex = 0;
constexpr uint16_t kFirstElement = 1;

std::vector<uint8_t> refusal(const cemi::PropertyMessage& request, uint8_t answerCode, uint8_t error) {
    return cemi::writeProperty(cemi::negativeAnswerOf(request, answerCode, error));
}

}  // namespace

std::optional<std::vector<uint8_t>> CemiServer::answer(std::span<const uint8_t> message) {
    if (message.empty()) return std::nullopt;
    if (message[0] == cemi::M_RESET_REQ) {
        restart();
        return std::vector<uint8_t>{cemi::M_RESET_IND};
    }
    const auto request = cemi::readProperty(message);
    if (!request) return std::nullopt;
    if (request->messageCode == cemi::M_PROPREAD_REQ) return read(*request);
    if (request->messageCode == cemi::M_PROPWRITE_REQ) return write(*request);
    return std::nullopt;
}

std::vector<CemiServer::Property> CemiServer::properties() const {
    // The largest APDU is what a TP1 standard frame carries after the TPCI.
    const auto maxApdu = static_cast<uint8_t>(cemi::TPDU_LIMIT - 1);
    return {
        {object::DEVICE, property::OBJECT_TYPE, {highByte(object::DEVICE), lowByte(object::DEVICE)}},
        {object::DEVICE, property::MAX_APDU_LENGTH, {0x00, maxApdu}},
        {object::DEVICE, property::SUBNET_ADDRESS, {highByte(address_)}},
        {object::DEVICE, property::DEVICE_ADDRESS, {lowByte(address_)}},
        {object::CEMI_SERVER, property::OBJECT_TYPE, {highByte(object::CEMI_SERVER), lowByte(object::CEMI_SERVER)}},
        {object::CEMI_SERVER, kMediumTypeProperty, {0x00, kMediumTp1}},
        {object::CEMI_SERVER, property::COMM_MODE, {commMode_}},
    };
}

std::optional<CemiServer::Property> CemiServer::find(const cemi::PropertyMessage& message) const {
    if (message.instance != 1) return std::nullopt;
    for (Property& p : properties()) {
        if (p.objectType == message.objectType && p.id == message.property) return std::move(p);
    }
    return std::nullopt;
}

std::vector<uint8_t> CemiServer::read(const cemi::PropertyMessage& request) const {
    const auto found = find(request);
    if (!found) return refusal(request, cemi::M_PROPREAD_CON, property_error::VOID);
    if (request.count != 1 || request.startIndex > kFirstElement) {
        return refusal(request, cemi::M_PROPREAD_CON, property_error::INDEX_RANGE);
    }
    if (request.startIndex == kElementCountIndex) {
        return cemi::writeProperty(cemi::answerOf(request, cemi::M_PROPREAD_CON, {0x00, 0x01}));
    }
    return cemi::writeProperty(cemi::answerOf(request, cemi::M_PROPREAD_CON, found->element));
}

// The communication mode alone is writable, and the data link layer is the
// only mode the module offers.
std::vector<uint8_t> CemiServer::write(const cemi::PropertyMessage& request) {
    const auto found = find(request);
    if (!found) return refusal(request, cemi::M_PROPWRITE_CON, property_error::VOID);
    if (request.objectType != object::CEMI_SERVER || request.property != property::COMM_MODE) {
        return refusal(request, cemi::M_PROPWRITE_CON, property_error::READ_ONLY);
    }
    if (request.count != 1 || request.startIndex != kFirstElement) {
        return refusal(request, cemi::M_PROPWRITE_CON, property_error::INDEX_RANGE);
    }
    if (request.data.size() != 1 || request.data[0] != cemi::COMM_MODE_DATA_LINK) {
        return refusal(request, cemi::M_PROPWRITE_CON, kOutOfRange);
    }
    commMode_ = cemi::COMM_MODE_DATA_LINK;
    // A positive answer is the request's header alone.
    return cemi::writeProperty(cemi::answerOf(request, cemi::M_PROPWRITE_CON, {}));
}

}  // namespace lintor::bcusim
