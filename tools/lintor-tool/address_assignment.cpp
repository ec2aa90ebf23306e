#include "tools/lintor-tool/address_assignment.h"

#include "tools/lintor-tool/address_broadcast.h"
#include "tools/lintor-tool/device_queries.h"
#include "tools/lintor-tool/device_session.h"

namespace lintor::tool {
namespace {

using Kind = AssignmentOutcome::Kind;

AssignmentOutcome failed(BusFailure failure) { return {Kind::Failed, {}, failure}; }

// Whether a device has the address: one that gives its mask version, or
// ends the connection as one busy with another tool does. An acknowledged
// connection alone proves nothing: a coupler acknowledges for its line.
std::variant<bool, BusFailure> answersAt(BusPort& port, uint16_t address, std::chrono::milliseconds timeout) {
    DeviceSession session(port, address, timeout);
    if (const auto failure = session.open()) {
        if (*failure == BusFailure::Absent) return false;
        return *failure;
    }
    const auto answer = session.ask(maskVersionRequest());
    if (const auto* failure = std::get_if<BusFailure>(&answer)) {
        if (*failure == BusFailure::BcuSilent || *failure == BusFailure::Lost) return *failure;
        return *failure == BusFailure::Disconnected;
    }
    return true;
}

}  // namespace

AssignmentOutcome assignIndividualAddress(BusPort& port, uint16_t wanted, std::chrono::milliseconds timeout) {
    const auto before = devicesInProgrammingMode(port, timeout);
    if (const auto* failure = std::get_if<BusFailure>(&before)) return failed(*failure);
    const auto& devices = std::get<std::vector<uint16_t>>(before);
    if (devices.empty()) return {Kind::NoneInProgrammingMode, devices, {}};
    if (devices.size() > 1) return {Kind::SeveralInProgrammingMode, devices, {}};
    if (devices.front() == wanted) return {Kind::AlreadyHad, devices, {}};

    const auto taken = answersAt(port, wanted, timeout);
    if (const auto* failure = std::get_if<BusFailure>(&taken)) return failed(*failure);
    if (std::get<bool>(taken)) return {Kind::Taken, devices, {}};

    if (const auto failure = writeIndividualAddress(port, wanted, timeout)) return failed(*failure);
    const auto after = devicesInProgrammingMode(port, timeout);
    if (const auto* failure = std::get_if<BusFailure>(&after)) return failed(*failure);
    const auto& answered = std::get<std::vector<uint16_t>>(after);
    if (answered != std::vector<uint16_t>{wanted}) return {Kind::NotVerified, answered, {}};
    return {Kind::Given, devices, {}};
}

}  // namespace lintor::tool
