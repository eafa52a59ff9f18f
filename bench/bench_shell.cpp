// The desktop program's responsiveness: a key that changes the design, to
// the repainted design view (table, analysis and layout) of a 20-mirror
// design; a repaint of an analysis view that nothing changed since the last
// paint; and start-up to the first painted window with a design.
#ifdef ORVELIN_HAVE_SHELL

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QWindow>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/qt/headless.h"
#include "shell/main_window.h"

namespace {

using namespace orvelin;

/// A paraboloid of focal length 1000 folded by 19 flats, 50 apart, so the
/// focus falls on the focal plane after the twentieth mirror.
std::string twentyMirrorFile() {
    std::string text =
        "QuorVex V0.90                       twenty\n\n 20 surface design\n\n"
        " Type         Radius        CC/Rsag       Tilt          Separation\n\n"
        " 0             2000          1             0             50\n";
    for (int i = 2; i <= 20; ++i) text += " 0             0             0             0             50\n";
    text += " 0             0             0             0            focal plane\n\n";
    text += " Aperture 100 mm         Field 0.5 Degrees     f/10.00\n";
    const std::string path = QDir::tempPath().toStdString() + "/orvelin-bench-twenty.ov";
    std::ofstream(path) << text;
    return path;
}

void prepareApp() {
    qt::ensureQtApplication();
    std::setlocale(LC_NUMERIC, "C");
}

/// Show the window and wait until it can be painted.
bool showExposed(MainWindow& window) {
    window.show();
    for (int i = 0; i < 1000 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return window.windowHandle() && window.windowHandle()->isExposed();
}

/// Whether the design traces and its view can be painted.
bool repaintAnalyses(MainWindow& window) {
    window.clientView()->repaint();
    return window.state().analysis().traced();
}

void sendChar(QWidget* target, Qt::Key key, const char* text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString::fromLatin1(text));
    QApplication::sendEvent(target, &press);
}

// "Z" curves the focal plane at once, which analyses the changed design;
// the design view is then repainted from that analysis.
void BM_KeyZToRepaintedDesignView20Mirrors(benchmark::State& state) {
    prepareApp();
    MainWindow window;
    if (!showExposed(window) || !window.openDesignFile(twentyMirrorFile()) ||
        window.state().trace.status != kTraceOk || !repaintAnalyses(window)) {
        state.SkipWithError("the 20-mirror design is not traced and painted");
        return;
    }
    QWidget* view = window.clientView();
    for (auto _ : state) {
        sendChar(view, Qt::Key_Z, "z");
        view->repaint();
    }
}
BENCHMARK(BM_KeyZToRepaintedDesignView20Mirrors)->Unit(benchmark::kMillisecond);

// "F" is queued like every character command: the queue runs, the focal
// plane moves to the best focus, and the view is repainted.
void BM_KeyFocusToRepaintedDesignView20Mirrors(benchmark::State& state) {
    prepareApp();
    MainWindow window;
    if (!showExposed(window) || !window.openDesignFile(twentyMirrorFile()) || !repaintAnalyses(window)) {
        state.SkipWithError("the 20-mirror design is not traced and painted");
        return;
    }
    QWidget* view = window.clientView();
    for (auto _ : state) {
        sendChar(view, Qt::Key_F, "f");
        QCoreApplication::sendPostedEvents();
        view->repaint();
    }
}
BENCHMARK(BM_KeyFocusToRepaintedDesignView20Mirrors)->Unit(benchmark::kMillisecond);

// A repaint of the image-quality or the clearance view of the tilted
// example when the design, the view and the window are as at the last
// paint (goal: under 0.2 ms): an uncovered window, a tooltip gone.
void BM_RepaintUnchangedView(benchmark::State& state, int command) {
    prepareApp();
    MainWindow window;
    if (!showExposed(window) || !window.openDesignFile(ORVELIN_EXAMPLES "/schiefspiegler.ov")) {
        state.SkipWithError("the example is not opened");
        return;
    }
    window.runCommand(command);
    QCoreApplication::sendPostedEvents();
    if (window.state().viewState != command) {
        state.SkipWithError("the view is not shown");
        return;
    }
    QWidget* view = window.clientView();
    view->repaint();
    for (auto _ : state) view->repaint();
}
BENCHMARK_CAPTURE(BM_RepaintUnchangedView, quality, kCmdImageQuality)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RepaintUnchangedView, clearance, kCmdClearance)->Unit(benchmark::kMicrosecond);

// From nothing to a shown window with a design painted: the window, its
// menu and plot buffer, the load, and the first paint.
void BM_StartUpToFirstPaintedDesign(benchmark::State& state) {
    prepareApp();
    const std::string path = twentyMirrorFile();
    for (auto _ : state) {
        MainWindow window;
        showExposed(window);
        window.openDesignFile(path);
        if (!window.state().analysis().traced()) state.SkipWithError("the design did not trace");
    }
}
BENCHMARK(BM_StartUpToFirstPaintedDesign)->Unit(benchmark::kMillisecond);

}  // namespace

#endif  // ORVELIN_HAVE_SHELL
