// GoogleTest main for the window tests: a QApplication on the offscreen
// platform unless told otherwise.
#include <QApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QApplication::setStyle("Fusion");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
