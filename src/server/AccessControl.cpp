#include "server/AccessControl.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "server/AuthThrottle.h"
#include "server/ClientTable.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"

namespace palvex {

// Created on first use and never freed: a connection thread may still run
// its hooks after main returns.
TProtectedFolders& ProtectedFolders() {
    static auto* folders = new TProtectedFolders;
    return *folders;
}
std::vector<TIPRange>& BlockRanges() {
    static auto* ranges = new std::vector<TIPRange>;
    return *ranges;
}
std::vector<TIPRange>& PermitRanges() {
    static auto* ranges = new std::vector<TIPRange>;
    return *ranges;
}

namespace {

constexpr char kRealmPrefix[] = "Login";
constexpr std::string_view kRootFolder = "\\";
constexpr std::string_view kAllGroups = "*";

// Splits text at `sep` and calls visit for every piece (empty ones included).
template <typename Visit>
void ForEachPiece(std::string_view text, char sep, Visit visit) {
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(sep, start);
        visit(text.substr(start,
                          end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return;
        start = end + 1;
    }
}

// Comma-separated names where double quotes group a field ("" is a quote).
// Empty names are dropped: an empty group would silently join every list
// that ends in a separator.
std::vector<std::string> SplitGroupNames(std::string_view text) {
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos < text.size()) {
        std::string name;
        if (text[pos] == '"') {
            for (++pos; pos < text.size(); ++pos) {
                if (text[pos] != '"') {
                    name += text[pos];
                } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
                    name += '"';
                    ++pos;
                } else {
                    ++pos;
                    break;
                }
            }
        }
        while (pos < text.size() && text[pos] != ',')
            name += text[pos++];
        ++pos;  // the comma
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

// Numbers group names in order of first appearance during one load.
class TGroupCoder {
  public:
    // "+code+code+" for a group list ("a+b", "a, b", "*"); empty when it names
    // no group.
    std::string Encode(std::string_view list) {
        std::string compact;
        for (char c : list) {
            if (static_cast<unsigned char>(c) <= ' ') continue;
            compact += c == '+' ? ',' : c;
        }
        std::string codes;
        for (const std::string& name : SplitGroupNames(compact)) {
            codes += '+';
            codes += name == kAllGroups ? std::string(kAllGroups) : CodeOf(AsciiUpper(name));
        }
        if (!codes.empty()) codes += '+';
        return codes;
    }

  private:
    std::string CodeOf(const std::string& upperName) {
        auto [it, added] = Codes_.try_emplace(upperName, Codes_.size());
        char hex[2 * sizeof(size_t) + 1];
        std::snprintf(hex, sizeof hex, "%zX", it->second);
        return hex;
    }
    std::unordered_map<std::string, size_t> Codes_;
};

// "Fotos/2009" -> "fotos\2009\"; the root ("/") -> "\".
std::string NormaliseFolder(std::string_view folder) {
    std::string out = Utf8Lower(TrimBlanks(folder));
    for (char& c : out)
        if (c == '/') c = '\\';
    const size_t first = out.find_first_not_of('\\');
    if (first == std::string::npos) return std::string(kRootFolder);
    out.erase(0, first);
    while (out.back() == '\\')
        out.pop_back();
    return out + '\\';
}

void LoadFolder(std::string_view piece, TGroupCoder& coder, TProtectedFolders& target) {
    const size_t colon = piece.find(':');
    if (colon == std::string_view::npos) return;
    // An empty folder is a stray separator, not the root (which is "/").
    if (TrimBlanks(piece.substr(0, colon)).empty()) return;
    const std::string folder = NormaliseFolder(piece.substr(0, colon));
    const std::string groups = coder.Encode(piece.substr(colon + 1));
    for (TProtectedFolder& existing : target.Folders) {
        if (existing.Folder == folder) {
            existing.Groups = groups;  // a repeated folder keeps its place and realm
            return;
        }
    }
    const std::string realm = kRealmPrefix + std::to_string(target.Folders.size());
    target.Folders.push_back({folder, groups, realm});
}

void LoadUser(std::string_view piece, TGroupCoder& coder, TProtectedFolders& target) {
    const size_t first = piece.find(':');
    if (first == std::string_view::npos) return;
    const size_t second = piece.find(':', first + 1);
    const std::string_view name = TrimBlanks(piece.substr(0, first));
    const std::string_view password = TrimBlanks(piece.substr(
        first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1));
    const std::string codes =
        coder.Encode(second == std::string_view::npos ? "" : piece.substr(second + 1));
    if (name.empty() || password.empty() || codes.empty()) return;
    std::string key(name);
    key += ':';
    key += password;
    target.Users.try_emplace(std::move(key), codes);  // the first listing of a user wins
}

// True when pred holds for some code of a "+a+b+" list.
template <typename Pred>
bool AnyCode(std::string_view codes, Pred pred) {
    while (!codes.empty()) {
        const size_t plus = codes.find('+');
        const std::string_view code = codes.substr(0, plus);
        if (!code.empty() && pred(code)) return true;
        if (plus == std::string_view::npos) break;
        codes.remove_prefix(plus + 1);
    }
    return false;
}

bool HasCode(std::string_view codes, std::string_view code) {
    return AnyCode(codes, [&](std::string_view c) { return c == code; });
}

// True when a user with userCodes may enter a folder with folderGroups.
bool GroupsAdmit(std::string_view folderGroups, std::string_view userCodes) {
    if (HasCode(folderGroups, kAllGroups) || HasCode(userCodes, kAllGroups)) return true;
    return AnyCode(userCodes, [&](std::string_view code) { return HasCode(folderGroups, code); });
}

}  // namespace

void LoadProtectedFolders(std::string_view authDir, std::string_view authUser,
                          TProtectedFolders& target) {
    target.Folders.clear();
    target.Users.clear();
    TGroupCoder coder;  // folders first, so their groups get the low codes
    ForEachPiece(authDir, '|', [&](std::string_view piece) { LoadFolder(piece, coder, target); });
    ForEachPiece(authUser, '|', [&](std::string_view piece) { LoadUser(piece, coder, target); });
}

void ApplyProtectedFolders(std::string_view authDir, std::string_view authUser) {
    TProtectedFolders fresh;
    LoadProtectedFolders(authDir, authUser, fresh);
    {
        std::lock_guard lock(HookLock);
        std::swap(ProtectedFolders(), fresh);
    }
    // The old table is freed here, outside the lock.
}

const TProtectedFolders* ActiveProtectedFolders() {
    return ProtectedFolders().Folders.empty() ? nullptr : &ProtectedFolders();
}

const TProtectedFolder* MatchProtectedFolder(const TProtectedFolders& folders,
                                             std::string_view path) {
    // Folders are stored lower-cased in every script; a path with letters
    // beyond ASCII is folded the same way before the prefix test.
    std::string folded;
    for (char c : path) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            folded = Utf8Lower(path);
            path = folded;
            break;
        }
    }
    for (const TProtectedFolder& entry : folders.Folders) {
        // Protecting the root protects everything below it, not just its listing.
        if (entry.Folder == kRootFolder) return &entry;
        if (path.size() >= entry.Folder.size() &&
            EqualsNoCase(path.substr(0, entry.Folder.size()), entry.Folder))
            return &entry;
    }
    return nullptr;
}

TAccessDecision AuthenticateForFolder(const TProtectedFolders& folders,
                                      const TProtectedFolder& folder,
                                      std::string_view credentials) {
    TAccessDecision decision{folder.Realm, {}};
    if (credentials.empty()) return decision;
    const auto user = folders.Users.find(std::string(credentials));
    if (user == folders.Users.end()) return decision;
    decision.UserName = credentials.substr(0, credentials.find(':'));
    if (GroupsAdmit(folder.Groups, user->second)) decision.Realm.clear();
    return decision;
}

TAccessDecision DecideFolderAccess(const TProtectedFolders& folders, std::string_view path,
                                   std::string_view credentials) {
    const TProtectedFolder* folder = MatchProtectedFolder(folders, path);
    if (!folder) return {};
    return AuthenticateForFolder(folders, *folder, credentials);
}

std::string CheckProtectedFolder(THttpServerThread& conn, std::string_view path,
                                 const TProtectedFolders& folders) {
    const TProtectedFolder* folder = MatchProtectedFolder(folders, path);
    if (!folder) return {};
    const std::string credentials = GetCredentials(conn);
    if (!credentials.empty() && !MayCheckCredentials(conn, credentials)) {
        RecordCredentials(conn, credentials, false);
        return folder->Realm;
    }
    TAccessDecision decision = AuthenticateForFolder(folders, *folder, credentials);
    if (!credentials.empty()) RecordCredentials(conn, credentials, !decision.UserName.empty());
    if (!decision.UserName.empty()) {
        conn.UserName = std::move(decision.UserName);
        RememberClientUser(conn);
    }
    return std::move(decision.Realm);
}

bool IPInRanges(uint32_t address, const std::vector<TIPRange>& ranges) {
    const uint32_t at = AddressOrder(address);
    for (const TIPRange& range : ranges) {
        if (range.Kind != kRangeRem && AddressOrder(range.FromAddr) <= at &&
            at <= AddressOrder(range.ToAddr))
            return true;
    }
    return false;
}

void FilterRequest(THttpServerThread& conn) {
    if (!BlockRanges().empty() && !IPInRanges(conn.PeerIP, PermitRanges()) &&
        IPInRanges(conn.PeerIP, BlockRanges())) {
        conn.Status = rsForbidden;
        conn.ReadState = kReadStop;
        return;
    }
    if (conn.Method != kMethodGet && conn.Method != kMethodHead && conn.Method != kMethodPost) {
        conn.Status = rsBadRequest;
        conn.ReadState = kReadStop;
    }
}

}  // namespace palvex
