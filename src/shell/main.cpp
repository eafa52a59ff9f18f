// Orvelin, the desktop program: one window over one design.  An optional
// argument names a design file to open at start.
#include <QApplication>
#include <QIcon>
#include <clocale>

#include "platform/qt/headless.h"
#include "shell/main_window.h"

int main(int argc, char** argv) {
    orvelin::qt::ensureRuntimeDir();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvelin"));
    QApplication::setDesktopFileName(QStringLiteral("orvelin"));
    // Design files are read and written with the C library's number
    // formats; they must not follow the desktop's decimal comma.
    std::setlocale(LC_NUMERIC, "C");

    orvelin::MainWindow window;
    window.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) window.openDesignFile(args.at(1).toStdString());
    return app.exec();
}
