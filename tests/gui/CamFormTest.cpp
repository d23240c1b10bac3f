// The webcam window and the main window's webcam controls with the test
// camera: the preview moves, the webcam page serves frames while capture
// runs and the offline picture after Off, and a missing camera is reported.

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include "capture/Capture.h"
#include "shell/CamForm.h"
#include "support/EditorTest.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"
#include "webapps/WebcamPages.h"

using namespace palvex;
using namespace palvex::test;

namespace {

constexpr int kPreviewWait = 400;  // two preview periods

TCamForm& Form(QWidget& dialog) {
    return static_cast<TCamForm&>(dialog);
}

QImage PanelPicture(const TCamForm& form) {
    return form.capPanel->grab().toImage();
}

// "on" or "off" from the buttons; empty when they show neither state.
QString ButtonState(const TCamForm& form) {
    if (!form.OnBtn->isEnabled() && !form.OnBtn->isDefault() && form.OffBtn->isEnabled() &&
        form.OkBtn->isDefault() && form.CancelButton() == form.OffBtn)
        return QStringLiteral("on");
    if (form.OnBtn->isEnabled() && form.OnBtn->isDefault() && !form.OffBtn->isEnabled() &&
        !form.OkBtn->isDefault() && form.CancelButton() == form.OkBtn)
        return QStringLiteral("off");
    return {};
}

std::string CamPicture(uint16_t port) {
    std::string head, body;
    SplitAnswer(HttpGet(port, "/*cam/image.jpg"), head, body);
    return body;
}

}  // namespace

class CamFormTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        RecordDesktop();
        SetCameraChoice("test");
        port_ = FreePort();
        window_ = OpenMainWindow({"Port=" + std::to_string(port_),
                                  "Root=" + WriteWebFile("a.txt", "a"), "cfg=" + TestIniPath()});
        box_ = window_->findChild<QCheckBox*>(QStringLiteral("CamCheckBox"));
        QVERIFY(box_);
    }
    void cleanupTestCase() {
        CloseMainWindow(window_);
        StopCapture();
    }

    void OnShowsAMovingPreviewAndTheWebcamPageServesFrames() {
        QVERIFY(!CamWorked());
        QVERIFY(WithDialog(
            QStringLiteral("CamForm"), [this] { ClickCamButton(); },
            [](QWidget& dialog) {
                TCamForm& form = Form(dialog);
                QCOMPARE(form.windowTitle(), QStringLiteral("Webcam"));
                QCOMPARE(form.size(), QSize(375, 333));
                QCOMPARE(form.capPanel->geometry(), QRect(28, 28, 320, 240));
                QCOMPARE(ButtonState(form), QStringLiteral("off"));
                form.OnBtn->click();
                QCOMPARE(ButtonState(form), QStringLiteral("on"));
                QTest::qWait(kPreviewWait);
                const QImage first = PanelPicture(form);
                QTest::qWait(kPreviewWait);
                QVERIFY(PanelPicture(form) != first);
                QVERIFY(SaveShot(form, QStringLiteral("cam-form")));
                form.OkBtn->click();
            }));
        QVERIFY(box_->isChecked());
        QVERIFY(CamWorked());
        QVERIFY(CaptureRunning());  // closing the window keeps capture on
        const std::string picture = CamPicture(port_);
        QVERIFY(picture.starts_with("\xFF\xD8"));
        QVERIFY(picture != MakeOfflineJpeg(false));
    }

    void EscapeInTheOnStateSwitchesTheCameraOff() {
        WithDialog(
            QStringLiteral("CamForm"), [this] { ClickCamButton(); },
            [](QWidget& dialog) {
                TCamForm& form = Form(dialog);
                QCOMPARE(ButtonState(form), QStringLiteral("on"));
                QTest::keyClick(&form, Qt::Key_Escape);
                QCOMPARE(ButtonState(form), QStringLiteral("off"));
                QVERIFY(form.isVisible());
                QTest::keyClick(&form, Qt::Key_Escape);  // now Ok cancels: closes
                QVERIFY(!form.isVisible());
            });
        QVERIFY(!box_->isChecked());
        QVERIFY(!CaptureRunning());
        ResetFrameCache();
        QCOMPARE(CamPicture(port_), MakeOfflineJpeg(false));
    }

    void CheckBoxStartsAWorkedCameraWithoutTheWindowAndStopsIt() {
        box_->click();
        QVERIFY(box_->isChecked());
        QVERIFY(CaptureRunning());
        box_->click();
        QVERIFY(!box_->isChecked());
        QVERIFY(!CaptureRunning());
    }

    void AMissingCameraIsReportedAndTheBoxUnchecked() {
        SetCameraChoice("/nonexistent/video9");
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        box_->click();
        QCOMPARE(seen.Text, QStringLiteral("Cam konnte nicht aktiviert werden"));
        QCOMPARE(seen.Caption, QStringLiteral("Fehler"));
        QVERIFY(!box_->isChecked());

        TSeenDialog again;
        WithDialog(
            QStringLiteral("CamForm"), [this] { ClickCamButton(); },
            [&again](QWidget& dialog) {
                TCamForm& form = Form(dialog);
                AnswerNextMessage(QStringLiteral("OK"), &again);
                form.OnBtn->click();
                QCOMPARE(ButtonState(form), QStringLiteral("off"));
                form.OkBtn->click();
            });
        QCOMPARE(again.Text, QStringLiteral("Cam konnte nicht aktiviert werden"));
        QVERIFY(!box_->isChecked());
        SetCameraChoice("test");
    }

  private:
    void ClickCamButton() { window_->findChild<QPushButton*>(QStringLiteral("CamEdBtn"))->click(); }

    uint16_t port_ = 0;
    QCheckBox* box_ = nullptr;
    std::unique_ptr<TMainWindow> window_;
};

PALVEX_GUI_TEST_MAIN(CamFormTest)
#include "CamFormTest.moc"
