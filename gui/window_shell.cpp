#include "gui/window_shell.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdlib>
#include <string>

#include "app/gateway_session.h"
#include "gui/core_thread.h"
#include "gui/main_dialog.h"
#include "platform/display_probe.h"
#include "platform/log.h"

namespace lintor {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Qt's own warnings would otherwise be written straight to stderr, blocking
// the event loop when nobody reads it.
void routeQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    const log::Level level = type == QtDebugMsg     ? log::Level::Debug
                             : type == QtInfoMsg    ? log::Level::Info
                             : type == QtWarningMsg ? log::Level::Warning
                                                    : log::Level::Error;
    log::write(level, "Qt: " + message.toStdString());
}

class QtMessageRoute {
public:
    QtMessageRoute() : previous_(qInstallMessageHandler(routeQtMessage)) {}
    ~QtMessageRoute() { qInstallMessageHandler(previous_); }
    QtMessageRoute(const QtMessageRoute&) = delete;
    QtMessageRoute& operator=(const QtMessageRoute&) = delete;

private:
    QtMessageHandler previous_;
};

void showCritical(const std::string& text) {
    QMessageBox::critical(nullptr, QStringLiteral("Lintor"), QString::fromStdString(text));
}

}  // namespace

// A window where a display answers; headless otherwise, also when the
// environment names a display that is gone (a stale remote session).
bool DesktopWindow::displayAvailable() {
    const std::string x = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    if (x.empty() && wayland.empty()) return false;
    if (waylandDisplayReachable(wayland, environment("XDG_RUNTIME_DIR")) || (!x.empty() && xDisplayReachable(x))) {
        return true;
    }
    log::warning("display " + (x.empty() ? wayland : x) + " cannot be reached: running headless");
    return false;
}

int DesktopWindow::run(int& argc, char** argv, GatewaySession& session) {
    QApplication application(argc, argv);
    QApplication::setStyle("Fusion");
    const QtMessageRoute route;
    if (const std::string problem = session.prepare(); !problem.empty()) {
        showCritical("lintor cannot start:\n\n" + problem);
        return 1;
    }
    MainDialog dialog;
    // SIGINT and SIGTERM end every event loop of the window, a message
    // box's or the About box's included.
    CoreThread core(
        dialog, session.loop(), [&](UserInterface& ui) { session.start(ui, [&core] { core.closeWindow(); }); },
        [&] { session.finish(); });
    // Exit, Enter, Escape, the close box or a signal end the modal loop;
    // the core then shuts down in order on its own thread.
    dialog.exec();
    core.stop();
    return 0;
}

void DesktopWindow::showRefusal(int& argc, char** argv, const std::string& text) {
    QApplication application(argc, argv);
    QApplication::setStyle("Fusion");
    showCritical(text);
}

}  // namespace lintor
