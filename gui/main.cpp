#include "app/gateway_app.h"
#include "gui/window_shell.h"

int main(int argc, char** argv) {
    lintor::DesktopWindow window;
    lintor::GatewayApp app(lintor::Program::Desktop, &window);
    return app.run(argc, argv);
}
