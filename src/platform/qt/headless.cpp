#include "platform/qt/headless.h"

#include <cstdlib>

#include <QApplication>

namespace orvelin::qt {

void ensureQtApplication() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // QApplication keeps references to argc/argv for its whole life.
    static int argc = 1;
    static char name[] = "orvelin";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

}  // namespace orvelin::qt
