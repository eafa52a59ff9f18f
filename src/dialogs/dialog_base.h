// Common ground of the parameter dialogs: placement in dialog units, number
// boxes, and the refusal of entries the design cannot hold.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QLabel;
class QPushButton;
class QCheckBox;

namespace orvelin {

/// Dialog units of the dialog's font: a quarter of the average character
/// width across and an eighth of the line height down, so the dialogs keep
/// their proportions whatever font the desktop uses.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

  private:
    double baseX_ = 6;
    double baseY_ = 13;
};

/// Widens a dialog built from a template of `templateSize` pixels so that
/// every label and check box shows its whole text and, for a dialog with a
/// title bar, the caption fits beside the window manager's buttons.  The
/// controls keep their places relative to one another and are centred in
/// the added width; the dialog never becomes smaller than its template.
void fitDialogToTexts(QDialog* dialog, QSize templateSize, bool captioned);

/// The width a title bar needs to show `caption` whole: the text in a bold
/// face of the dialog's font, and room for the icon and three buttons.
int captionWidth(const QWidget* dialog, const QString& caption);

class ParameterDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ParameterDialog(QWidget* parent);

  protected:
    /// The box that takes the focus when the dialog opens, text selected,
    /// so that what the user types replaces the value shown.
    void setFirstBox(QLineEdit* box) { firstBox_ = box; }
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    DialogUnits units() const { return DialogUnits(font()); }

    /// A label (centred, as the dialogs' statics are) at dialog units x, y.
    QLabel* addLabel(const QString& text, const QString& name, int x, int y, int w, int h);
    /// A bordered edit box showing `value` with "%- .7g".
    QLineEdit* addNumberBox(double value, const QString& name, int x, int y, int w, int h);
    QLineEdit* addTextBox(const QString& text, const QString& name, int x, int y, int w, int h);
    QCheckBox* addCheck(const QString& text, const QString& name, int x, int y, int w, int h);
    /// OK (the default button, accepting through `onOk`) and Cancel.
    void addButtons(int okX, int okY, int cancelX, int cancelY, int w, int h);

    /// Reads a number box; when its text is not a number shows an error box
    /// naming the field and leaves the box selected for correction.
    bool readNumber(QLineEdit* box, const QString& field, double* value);

    /// The error box of the dialogs: critical icon, title "Error".
    void showError(const QString& text);

    /// Stores the entries and ends with 1, or returns false (dialog stays
    /// open) when an entry is refused.
    virtual bool store() = 0;

  private slots:
    void onOk();

  private:
    QLineEdit* firstBox_ = nullptr;
};

}  // namespace orvelin
