#pragma once
// The webcam window "Webcam": a live preview of the capture source and the
// buttons On, Off and Ok. Capture keeps running after the window closes, so
// the webcam pages go on serving frames.

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace palvex {

class TCamForm : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCamForm)

  public:
    explicit TCamForm(QWidget* parent);

    // Buttons for running capture (Off cancels, Ok is the default) or for
    // stopped capture (On is the default, Ok cancels).
    void SetOnState();
    void SetOffState();
    // Shows the newest frame, or an empty panel when there is none.
    void PaintFrame();

    QLabel* capPanel = nullptr;
    QPushButton* OnBtn = nullptr;
    QPushButton* OffBtn = nullptr;
    QPushButton* OkBtn = nullptr;
    // The button Escape clicks (nullptr: none).
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CreateControls();
    void OnBtnClick();
    void OffBtnClick();

    QTimer* previewTimer_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// Whether a frame ever arrived while the webcam window was open; the check
// box then switches capture on without the window.
bool CamWorked();

}  // namespace palvex
