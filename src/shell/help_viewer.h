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
    QTextBrowser* browser_;
};

/// Where the guide lives inside the program.
inline constexpr const char* kHelpContentsUrl = "qrc:/orvelin/help/index.html";

}  // namespace orvelin
