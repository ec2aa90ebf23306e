#include "app/gateway_app.h"

int main(int argc, char** argv) {
    lintor::GatewayApp app(lintor::Program::Daemon);
    return app.run(argc, argv);
}
