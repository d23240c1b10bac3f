#include "shell/FolderChooser.h"

#include <QPointer>

#include "config/PathOps.h"
#include "shell/FolderChooserForm.h"
#include "shell/MessageDialogs.h"
#include "shell/logic/FolderRules.h"
#include "shell/logic/FolderTexts.h"

namespace palvex {

namespace {

struct TChooserState {
    QPointer<TChooseLocalFolderForm> Form;
    std::string Restriction;  // normalised; empty = none
    std::string Preset;       // start folder remembered before the form exists
};

TChooserState& State() {
    static TChooserState state;
    return state;
}

// The form, made on first use and kept for the run (made again should its
// owner window have gone).
TChooseLocalFolderForm& Form() {
    TChooserState& s = State();
    if (!s.Form) s.Form = new TChooseLocalFolderForm(DialogOwner());
    return *s.Form;
}

std::string StartFolder(const std::string& current, std::string_view startFolder) {
    TChooserState& s = State();
    std::string start = current;
    if (!s.Preset.empty()) start = s.Preset;
    if (!startFolder.empty() && FolderExists(startFolder)) start = startFolder;
    if (start.empty() || !WithinRestriction(start, s.Restriction)) start = s.Restriction;
    return start;
}

}  // namespace

bool PresetChooserFolder(std::string_view path) {
    TChooserState& s = State();
    if (path.empty() || !FolderExists(path) || !WithinRestriction(path, s.Restriction))
        return false;
    if (!s.Form) {
        s.Preset = path;
        return true;
    }
    s.Form->ShowFolder(std::string(path));
    s.Preset.clear();
    return true;
}

std::string ChooseFolder(std::string_view caption, std::string_view startFolder,
                         std::string_view restriction, bool allowNew) {
    TChooserState& s = State();
    const std::string current = s.Form ? s.Form->TreeFolder() : "";
    TChooseLocalFolderForm& form = Form();
    s.Restriction = NormaliseRestriction(restriction);
    form.Prepare(caption.empty() ? Q(FolderText(kFolderCaption)) : Q(caption), allowNew,
                 s.Restriction);
    const std::string start = StartFolder(current, startFolder);
    PresetChooserFolder(start);
    form.FocusTree();
    form.SetOkEnabled(start != startFolder);
    if (form.exec() != QDialog::Accepted) return {};
    const std::string chosen = U8(form.PathText().trimmed());
    if (chosen.empty()) return {};
    const std::string result = WithTrailingSlash(chosen);
    if (!FolderExists(result) || !WithinRestriction(result, s.Restriction)) return {};
    return result;
}

}  // namespace palvex
