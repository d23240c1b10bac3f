// Stand-ins for the settings editors and the webcam window until they exist.

#include <QCheckBox>

#include "capture/Capture.h"
#include "shell/ShellHooks.h"

namespace palvex {

bool ShowMembersEditor(QWidget*) {
    ShowNotAvailable();
    return false;
}

void ShowFilterEditor(QWidget*) {
    ShowNotAvailable();
}

void EditListingProperties(QWidget*) {
    ShowNotAvailable();
}

void ShowCamDialog(QWidget*) {
    ShowNotAvailable();
}

void CamCheckBoxClicked(QCheckBox& box) {
    if (!box.isChecked()) {
        StopCapture();
        return;
    }
    ShowNotAvailable();
    box.setChecked(CaptureRunning());
}

void CamEdBtnClicked(QCheckBox& box) {
    ShowCamDialog(box.window());
    box.setChecked(CaptureRunning());
}

}  // namespace palvex
