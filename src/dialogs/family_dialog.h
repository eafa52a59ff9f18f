// File > "New from a family...": choose a classic unobstructed family and
// give the aperture, f-ratio, full field and clearance margin; Design lays
// it out, tilts and optimises it on a worker thread (a second or two) while
// the dialog stays responsive, then shows its layout and key figures, or
// the reason the family cannot meet the request.  OK takes a design that
// met every criterion.
#pragma once

#include <QDialog>
#include <QImage>
#include <memory>
#include <optional>
#include <thread>

#include "design/design.h"
#include "families/family.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace orvelin {

class FamilyDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FamilyDialog(QWidget* parent = nullptr);
    ~FamilyDialog() override;

    /// A design is being computed.
    bool running() const { return worker_.joinable(); }
    /// The last finished design (valid once OK is enabled).
    const Design& design() const { return result_.design; }
    const FamilyResult& result() const { return result_; }
    /// The preview as last drawn (null before the first design).
    const QImage& preview() const { return preview_; }

    /// The preview's size in pixels.
    static constexpr int kPreviewWidth = 480;
    static constexpr int kPreviewHeight = 300;

  protected:
    void reject() override;
    void closeEvent(class QCloseEvent* event) override;

  private:
    /// The request in the boxes, or nullopt with the reason shown.
    std::optional<FamilyRequest> readRequest();
    void startDesign();
    void finished(std::shared_ptr<FamilyResult> result, FamilyRequest request);
    /// An entry changed: the design shown no longer answers the boxes.
    void entriesChanged();
    void unitsChosen();
    void showRule();
    void setBusy(bool busy);

    QComboBox* family_ = nullptr;
    QLineEdit* aperture_ = nullptr;
    QLineEdit* fRatio_ = nullptr;
    QLineEdit* field_ = nullptr;
    QLineEdit* margin_ = nullptr;
    QComboBox* units_ = nullptr;
    QPushButton* design_ = nullptr;
    QPushButton* ok_ = nullptr;
    QLabel* rule_ = nullptr;
    QLabel* picture_ = nullptr;
    QLabel* status_ = nullptr;
    QPlainTextEdit* figures_ = nullptr;

    FamilyResult result_;
    QImage preview_;
    std::thread worker_;
    bool closePending_ = false;  ///< Cancel came while a design was under way
};

/// Run the dialog; true when a design was taken, which then is in `out`.
bool designFromFamily(QWidget* parent, Design& out);

}  // namespace orvelin
