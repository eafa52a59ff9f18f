// The user guide: HTML bundled with the program, shown in its own window.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace orvelin {

class HelpViewer : public QWidget {
    Q_OBJECT
  public:
    explicit HelpViewer(QWidget* parent);
    /// Show the guide at its contents.
    void showContents();
    QTextBrowser* browser() const { return browser_; }

  private:
    /// Size and place the window whole on its owner's screen.
    void placeOnScreen();
    QTextBrowser* browser_;
};

/// Room kept for the window manager's frame: its border and title bar.
inline constexpr int kFrameAllowance = 8;
inline constexpr int kTitleAllowance = 32;

/// Where the guide lives inside the program.
inline constexpr const char* kHelpContentsUrl = "qrc:/orvelin/help/index.html";

}  // namespace orvelin
