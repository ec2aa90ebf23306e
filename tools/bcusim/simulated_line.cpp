#include "tools/bcusim/simulated_line.h"

#include <algorithm>

namespace lintor::bcusim {
namespace {

using tpdu::Kind;

// A device's own frames: connection control at system priority, like the
// requests that start it.
LineFrame frameFrom(uint16_t source, uint16_t destination, const tpdu::Pdu& pdu) {
    LineFrame frame;
    frame.priority = Priority::System;
    frame.source = source;
    frame.destination = destination;
    frame.tpdu = tpdu::write(pdu);
    return frame;
}

LineFrame broadcastFrom(uint16_t source, const tpdu::Pdu& pdu) {
    LineFrame frame = frameFrom(source, 0, pdu);
    frame.groupDestination = true;
    return frame;
}

bool isConnectionOriented(Kind kind) { return kind != Kind::Data; }

}  // namespace

SimulatedLine::SimulatedLine(const std::vector<DeviceIdentity>& devices) {
    for (const DeviceIdentity& identity : devices) nodes_.push_back(Node{ManagementDevice(identity), {}});
}

SimulatedLine::Transmission SimulatedLine::transmit(const LineFrame& frame, Clock::time_point now) {
    Transmission sent;
    const auto pdu = tpdu::read(frame.tpdu);
    if (frame.groupDestination) {
        sent.acknowledged = true;
        if (!frame.isBroadcast() || !pdu || pdu->kind != Kind::Data) return sent;
        for (Node& node : nodes_) {
            if (auto answer = node.device.handleBroadcast(*pdu)) {
                sent.answers.push_back(broadcastFrom(node.device.address(), *answer));
            }
        }
        return sent;
    }
    Node* node = find(frame.destination);
    sent.acknowledged = node != nullptr;
    if (node && pdu) deliverIndividual(*node, frame, *pdu, now, sent.answers);
    return sent;
}

void SimulatedLine::deliverIndividual(Node& node, const LineFrame& frame, const tpdu::Pdu& pdu, Clock::time_point now,
                                      std::vector<LineFrame>& answers) {
    if (isConnectionOriented(pdu.kind)) {
        deliverConnected(node, frame, pdu, now, answers);
        return;
    }
    const ManagementDevice::Reply reply = node.device.handle(pdu);
    if (reply.restarted) node.transport.drop();
    if (reply.answer) answers.push_back(frameFrom(node.device.address(), frame.source, *reply.answer));
}

void SimulatedLine::deliverConnected(Node& node, const LineFrame& frame, const tpdu::Pdu& pdu, Clock::time_point now,
                                     std::vector<LineFrame>& answers) {
    const TransportConnection::Effects effects = node.transport.receive(frame.source, pdu, now);
    appendFrames(node, effects.frames, answers);
    for (const tpdu::Pdu& apdu : effects.apdus) {
        const ManagementDevice::Reply reply = node.device.handle(apdu);
        if (reply.restarted) {
            node.transport.drop();
            return;
        }
        if (reply.answer) appendFrames(node, node.transport.send(*reply.answer, now), answers);
    }
}

void SimulatedLine::appendFrames(const Node& node, const std::vector<TransportConnection::Output>& outputs,
                                 std::vector<LineFrame>& answers) {
    for (const TransportConnection::Output& output : outputs) {
        answers.push_back(frameFrom(node.device.address(), output.destination, output.pdu));
    }
}

std::vector<LineFrame> SimulatedLine::tick(Clock::time_point now) {
    std::vector<LineFrame> frames;
    for (Node& node : nodes_) appendFrames(node, node.transport.checkTimeouts(now), frames);
    return frames;
}

std::optional<SimulatedLine::Clock::time_point> SimulatedLine::nextDue() const {
    std::optional<Clock::time_point> earliest;
    for (const Node& node : nodes_) {
        const auto at = node.transport.deadline();
        if (at && (!earliest || *at < *earliest)) earliest = at;
    }
    return earliest;
}

bool SimulatedLine::setProgrammingMode(uint16_t address, bool on) {
    Node* node = find(address);
    if (!node) return false;
    node->device.setProgrammingMode(on);
    return true;
}

std::vector<SimulatedLine::DeviceState> SimulatedLine::devices() const {
    std::vector<DeviceState> states;
    for (const Node& node : nodes_) {
        const ManagementDevice& device = node.device;
        const auto memory = device.memory();
        states.push_back({device.address(),
                          device.maskVersion(),
                          device.programmingMode(),
                          node.transport.partner(),
                          {memory.begin(), memory.end()}});
    }
    return states;
}

SimulatedLine::Node* SimulatedLine::find(uint16_t address) {
    const auto it = std::ranges::find(nodes_, address, [](const Node& n) { return n.device.address(); });
    return it == nodes_.end() ? nullptr : &*it;
}

}  // namespace lintor::bcusim
