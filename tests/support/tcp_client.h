#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace lintor::test {

// A plain blocking-style TCP client for tests: connects to 127.0.0.1 and
// never waits without a deadline. The server under test runs on the same
// thread, so every wait keeps Qt's event loop turning.
class TcpClient {
public:
    explicit TcpClient(uint16_t port, int receiveBufferBytes = 0);

    bool connected() const { return fd_.valid(); }
    bool send(std::span<const uint8_t> bytes);
    bool send(const std::string& text) {
        return send(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
    // Collects bytes until `count` have arrived in total or the time is up.
    std::vector<uint8_t> receive(size_t count, std::chrono::milliseconds timeout);
    // Whatever arrives within the time.
    std::vector<uint8_t> receiveFor(std::chrono::milliseconds duration);
    // True once the server has closed the connection.
    bool waitForClose(std::chrono::milliseconds timeout);
    void shutdownSending();
    void close() { fd_.reset(); }

private:
    // Reads what is there now; false at end of stream.
    bool readAvailable();

    UniqueFd fd_;
    std::vector<uint8_t> received_;
    bool ended_ = false;
};

int openFileDescriptors();

}  // namespace lintor::test
