#pragma once

#include "app/gateway_app.h"

namespace lintor {

// The desktop window around the gateway session.
class DesktopWindow final : public WindowShell {
public:
    bool displayAvailable() override;
    int run(int& argc, char** argv, GatewaySession& session) override;
    void showRefusal(int& argc, char** argv, const std::string& text) override;
};

}  // namespace lintor
