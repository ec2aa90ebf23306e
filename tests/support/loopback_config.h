#pragma once

#include <cstdint>
#include <string>

#include "net/gateway_config.h"

namespace lintor::test {

// Every port on loopback, free ones unless told otherwise.
inline GatewayConfig loopbackConfig(std::string device = {}, uint16_t gatewayPort = 0) {
    GatewayConfig config;
    config.device = std::move(device);
    config.listenAddress = "127.0.0.1";
    config.gatewayPort = gatewayPort;
    config.proxyPort = 0;
    config.knxip.port = 0;
    return config;
}

}  // namespace lintor::test
