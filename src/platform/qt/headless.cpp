#include "platform/qt/headless.h"

#include <clocale>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>

namespace orvelin::qt {

void ensureRuntimeDir() {
    // Qt wants a private runtime folder; a session without a desktop (CI,
    // ssh, cron, a bare X server) often has none, and Qt would complain on
    // every run.
    if (std::getenv("XDG_RUNTIME_DIR")) return;
    const std::string dir = "/tmp/runtime-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    ::chmod(dir.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

void ensureQtApplication() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ensureRuntimeDir();
    // QApplication keeps references to argc/argv for its whole life.
    static int argc = 1;
    static char name[] = "orvelin";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    // QApplication adopts the user's locale, which would make printf and
    // fscanf write and read "0,5" for one half: numbers in design files and
    // reports are always written with a point.
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace orvelin::qt
