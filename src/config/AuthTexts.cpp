#include "config/AuthTexts.h"

#include <optional>
#include <set>

#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr std::string_view kLineBreak = "\n";
constexpr char kControlLimit = ' ';  // codes below it are control characters
constexpr char kDelete = '\x7f';

// 'nicht erlaubte Zeichen "c"' ending of the character faults.
std::string CharacterFault(std::string_view subject, std::string_view name, std::string_view c) {
    return std::string(subject) + std::string(name) + " enthält das nicht erlaubte Zeichen \"" +
           std::string(c) + "\"";
}

std::string GroupCharFault(std::string_view group, std::string_view c) {
    return CharacterFault("Gruppe ", group, c);
}
std::string NameMissing(std::string_view password) {
    return "Benutzername fehlt beim Passwort " + std::string(password) + ".";
}
std::string PasswordMissing(std::string_view name) {
    return "Passwort fehlt beim Benutzer " + std::string(name) + ".";
}
std::string NameCharFault(std::string_view name, std::string_view c) {
    return CharacterFault("Benutzername ", name, c);
}
// The misspelt "enhält" is the text users know; keep it.
std::string PasswordCharFault(std::string_view name, std::string_view password,
                              std::string_view c) {
    return "beim User " + std::string(name) + " enhält das Passwort " + std::string(password) +
           " das nicht erlaubte Zeichen \"" + std::string(c) + "\"";
}
std::string UserGroupFault(std::string_view name, std::string_view group) {
    return "User " + std::string(name) + " gehört zur nicht definierten Gruppe " +
           std::string(group);
}
std::string FolderGroupFault(std::string_view folder, std::string_view group) {
    return "Ordner " + std::string(folder) + " gehört zur nicht definierten Gruppe " +
           std::string(group);
}
std::string FolderCharFault(std::string_view folder, std::string_view c) {
    return CharacterFault("Ordner ", folder, c);
}

bool IsControl(char c) {
    return (c >= 0 && c < kControlLimit) || c == kDelete;
}

// Builds the texts; every step answers false at the first fault.
class TAuthBuilder {
  public:
    explicit TAuthBuilder(TAuthTexts& out) : out_(out) {}

    bool DefineGroups(const std::vector<std::string>& rows);
    bool AddUser(const TUserRow& row);
    bool AddFolder(const TFolderRow& row);

  private:
    // The cell as stored ("a+b", "standard", "*"), or nothing after a fault
    // about the undefined group; fault builds the message from that group.
    template <typename Fault>
    std::optional<std::string> NormaliseGroups(std::string_view cell, Fault fault);
    bool Fail(std::string message) {
        out_.Error = std::move(message) + std::string(kLineBreak) + std::string(kSaveAborted);
        return false;
    }
    static void Append(std::string& text, const std::string& entry) {
        if (!text.empty()) text += '|';
        text += entry;
    }

    TAuthTexts& out_;
    std::set<std::string> defined_;  // GroupKey of every defined group
};

bool TAuthBuilder::DefineGroups(const std::vector<std::string>& rows) {
    for (const std::string& cell : rows) {
        const std::string_view name = TrimBlanks(cell);
        if (name.empty() || name == kAllGroupsCell) continue;
        const std::string bad = FirstForbidden(name, kGroupForbidden);
        if (!bad.empty()) return Fail(GroupCharFault(name, bad));
        defined_.insert(GroupKey(name));
    }
    return true;
}

template <typename Fault>
std::optional<std::string> TAuthBuilder::NormaliseGroups(std::string_view cell, Fault fault) {
    cell = TrimBlanks(cell);
    if (cell == kAllGroupsCell) return std::string(kAllGroupsCell);
    std::string compact;
    for (char c : cell)
        if (!IsControl(c) && c != ' ') compact += c;
    std::string joined;
    const std::string standardKey = GroupKey(kStandardGroup);
    for (const std::string& name : SplitGroupCell(compact)) {
        const std::string key = GroupKey(name);
        if (key != standardKey && !defined_.contains(key)) {
            Fail(fault(name));
            return std::nullopt;
        }
        joined += (joined.empty() ? "" : "+") + name;
    }
    return joined.empty() ? std::string(kStandardGroup) : joined;
}

bool TAuthBuilder::AddUser(const TUserRow& row) {
    const std::string_view name = TrimBlanks(row.Name);
    const std::string_view password = TrimBlanks(row.Password);
    if (name.empty() && password.empty()) return true;
    if (name.empty()) return Fail(NameMissing(password));
    if (password.empty()) return Fail(PasswordMissing(name));
    std::string bad = FirstForbidden(name, kUserForbidden);
    if (!bad.empty()) return Fail(NameCharFault(name, bad));
    bad = FirstForbidden(password, kPasswordForbidden);
    if (!bad.empty()) return Fail(PasswordCharFault(name, password, bad));
    const auto groups =
        NormaliseGroups(row.Groups, [&](std::string_view g) { return UserGroupFault(name, g); });
    if (!groups) return false;
    Append(out_.AuthUser, std::string(name) + ':' + std::string(password) + ':' + *groups);
    ++out_.Users;
    return true;
}

bool TAuthBuilder::AddFolder(const TFolderRow& row) {
    std::string folder(TrimBlanks(row.Folder));
    if (folder.empty()) return true;
    const std::string bad = FirstForbidden(folder, kFolderForbidden);
    if (!bad.empty()) return Fail(FolderCharFault(folder, bad));
    const auto groups = NormaliseGroups(
        row.Groups, [&](std::string_view g) { return FolderGroupFault(folder, g); });
    if (!groups) return false;
    // Blanks that a trailing separator hid go too: loading trims them, and
    // the folder must read back as it was saved.
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\' ||
                                 static_cast<unsigned char>(folder.back()) <= ' '))
        folder.pop_back();
    Append(out_.AuthDir, folder + ':' + *groups);
    ++out_.Folders;
    return true;
}

}  // namespace

std::string FirstForbidden(std::string_view text, std::string_view forbidden) {
    for (char c : text) {
        if (IsControl(c)) return {'^', static_cast<char>(c ^ 0x40)};
        if (forbidden.find(c) != std::string_view::npos) return std::string(1, c);
    }
    return {};
}

TAuthTexts BuildAuthTexts(const TMembersGrids& grids) {
    TAuthTexts out;
    TAuthBuilder builder(out);
    if (!builder.DefineGroups(grids.Groups)) return out;
    for (const TUserRow& row : grids.Users)
        if (!builder.AddUser(row)) return out;
    for (const TFolderRow& row : grids.Folders)
        if (!builder.AddFolder(row)) return out;
    out.Ok = true;
    return out;
}

TMembersSnapshot TakeMembersSnapshot(const TMembersGrids& grids) {
    return {BuildAuthTexts(grids), grids};
}

bool MembersChanged(const TMembersSnapshot& snapshot, const TMembersGrids& now) {
    const TAuthTexts texts = BuildAuthTexts(now);
    if (!texts.Ok || !snapshot.Texts.Ok) return now != snapshot.Cells;
    return texts.AuthUser != snapshot.Texts.AuthUser || texts.AuthDir != snapshot.Texts.AuthDir;
}

}  // namespace palvex
