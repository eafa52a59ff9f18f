#include "shell/help_viewer.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace orvelin {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("help"));
    setWindowTitle(QStringLiteral("Orvelin Help"));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(560, 520);
}

void HelpViewer::showContents() {
    browser_->setSource(QUrl(QString::fromLatin1(kHelpContentsUrl)));
    show();
    raise();
    activateWindow();
}

}  // namespace orvelin
