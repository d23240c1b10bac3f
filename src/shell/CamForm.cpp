#include "shell/CamForm.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include "capture/Capture.h"
#include "capture/PreviewTimer.h"
#include "config/CommandLine.h"
#include "shell/EditorDialog.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"

namespace palvex {

namespace {

constexpr std::string_view kCaption = "Webcam";
constexpr int kWidth = 375;
constexpr int kHeight = 333;
constexpr QRect kPanelPlace{28, 28, 320, 240};
constexpr int kButtonTop = 288;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 27;
constexpr int kButtonGap = 25;
constexpr std::string_view kCamFailed = "Cam konnte nicht aktiviert werden";

bool gCamWorked = false;

// The newest frame as an image: copied while the frame is locked, so the
// frame store never waits for scaling or painting.
QImage CopyLatestFrame() {
    const TBitmap* frame = LockLatestFrame();
    if (!frame) return {};
    const QImage image = QImage(frame->Row(0), frame->Width(), frame->Height(),
                                static_cast<qsizetype>(frame->Stride()), QImage::Format_BGR888)
                             .copy();
    UnlockFrame();
    return image;
}

// The switch -camera=<device|test[:format]> names the camera, once.
void TakeCameraSwitch() {
    static bool taken = false;
    if (taken) return;
    taken = true;
    const TSwitch camera = FindSwitch("camera");
    if (camera.Index != 0) SetCameraChoice(camera.Value);
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, std::string_view hint,
                    int column) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(Q(hint));
    button->setGeometry(kPanelPlace.left() + column * (kButtonWidth + kButtonGap), kButtonTop,
                        kButtonWidth, kButtonHeight);
    return button;
}

}  // namespace

TCamForm::TCamForm(QWidget* parent) : QDialog(parent) {
    SetUpEditorDialog(*this, "CamForm", kCaption);
    CreateControls();
    setFixedSize(kWidth, kHeight);
    previewTimer_ = new QTimer(this);
    previewTimer_->setInterval(kPreviewInterval);
    connect(previewTimer_, &QTimer::timeout, this, &TCamForm::PaintFrame);
    previewTimer_->start();
}

void TCamForm::CreateControls() {
    capPanel = new QLabel(this);
    capPanel->setObjectName(QStringLiteral("capPanel"));
    capPanel->setGeometry(kPanelPlace);
    capPanel->setAlignment(Qt::AlignCenter);
    capPanel->setStyleSheet(QStringLiteral("background: black"));
    OnBtn = Button(this, "OnBtn", "On", "Webcam abfragen", 0);
    OffBtn = Button(this, "OffBtn", "Off", "Webcam abschalten", 1);
    OkBtn = Button(this, "OkBtn", "Ok", "übernehmen", 2);
    MakeBold(*OkBtn);
    connect(OnBtn, &QPushButton::clicked, this, &TCamForm::OnBtnClick);
    connect(OffBtn, &QPushButton::clicked, this, &TCamForm::OffBtnClick);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TCamForm::SetOnState() {
    OnBtn->setEnabled(false);
    OnBtn->setDefault(false);
    OffBtn->setEnabled(true);
    OkBtn->setEnabled(true);
    OkBtn->setDefault(true);
    cancel_ = OffBtn;
}

void TCamForm::SetOffState() {
    OffBtn->setEnabled(false);
    OnBtn->setEnabled(true);
    OnBtn->setDefault(true);
    OkBtn->setDefault(false);
    cancel_ = OkBtn;
}

void TCamForm::PaintFrame() {
    const QImage frame = CopyLatestFrame();
    if (frame.isNull()) {
        capPanel->clear();
        return;
    }
    const QSize room = capPanel->contentsRect().size();
    capPanel->setPixmap(
        QPixmap::fromImage(frame.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TCamForm::OnBtnClick() {
    OnBtn->setEnabled(false);
    cancel_ = nullptr;
    QCoreApplication::processEvents();
    TakeCameraSwitch();
    if (!StartCapture()) {
        ErrorBox(kCamFailed);
        SetOffState();
        return;
    }
    StartPreview();
    SetOnState();
}

void TCamForm::OffBtnClick() {
    OffBtn->setEnabled(false);
    StopCapture();
    SetOffState();
    PaintFrame();
}

// Escape clicks the cancel button of the state; the close button only closes.
void TCamForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cancel_ && cancel_->isEnabled()) cancel_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CamWorked() {
    return gCamWorked;
}

bool ShowCamDialog(QWidget* parent) {
    TCamForm form(parent);
    if (CaptureRunning())
        form.SetOnState();
    else
        form.SetOffState();
    StartPreview();
    form.PaintFrame();
    CentreOnScreen(form);
    form.exec();
    StopPreview();
    gCamWorked = FrameCounter > 0;
    return CaptureRunning();
}

void CamCheckBoxClicked(QCheckBox& box) {
    if (!box.isChecked()) {
        StopCapture();
        return;
    }
    TakeCameraSwitch();
    if (gCamWorked) {
        if (!StartCapture()) ErrorBox(kCamFailed);
    } else {
        ShowCamDialog(box.window());
    }
    box.setChecked(CaptureRunning());
}

void CamEdBtnClicked(QCheckBox& box) {
    box.setChecked(ShowCamDialog(box.window()));
}

}  // namespace palvex
