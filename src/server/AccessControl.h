#pragma once
// Who may be answered: protected folders with Basic authentication and named
// groups, and the request filter that drops blocked peers and unknown methods
// before the body is read. The tables live here; config/IpFilter fills the
// range lists from the rule text.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "server/HttpServer.h"

namespace palvex {

// ---- Protected folders -----------------------------------------------------

struct TProtectedFolder {
    // Relative to the root: lower case, backslash separators, no leading
    // backslash, ending in a backslash. A single backslash is the root and
    // covers the whole tree.
    std::string Folder;
    // Group codes written as "+0+A+"; "+*+" admits every known user.
    std::string Groups;
    // "Login" and the folder's index.
    std::string Realm;
};

struct TProtectedFolders {
    // "name:password" to the user's group codes. Stored names and passwords
    // never hold a colon, so the key is unambiguous and credentials with extra
    // colons can never match.
    std::unordered_map<std::string, std::string> Users;
    // In order of first appearance; the first matching entry decides.
    std::vector<TProtectedFolder> Folders;
};

// The table the running server uses. Read inside HookLock only; replaced as a
// whole by ApplyProtectedFolders.
TProtectedFolders& ProtectedFolders();

// Replaces target with the folders of authDir ("folder:groups|...") and the
// users of authUser ("name:password:groups|..."). Malformed pieces are skipped.
void LoadProtectedFolders(std::string_view authDir, std::string_view authUser,
                          TProtectedFolders& target);

// Builds a new table from the two setting texts and swaps it in under
// HookLock, so that no request sees a half-built table. For the server start
// and the protected-folder editor.
void ApplyProtectedFolders(std::string_view authDir, std::string_view authUser);

// The running table when it has at least one folder, else nullptr (what the
// request handler passes to the file server). Call inside HookLock.
const TProtectedFolders* ActiveProtectedFolders();

// The first folder entry that covers path (a relative path with backslashes,
// compared without regard to ASCII case), or nullptr.
const TProtectedFolder* MatchProtectedFolder(const TProtectedFolders& folders,
                                             std::string_view path);

struct TAccessDecision {
    // Empty when access is granted, else the realm to ask credentials for.
    std::string Realm;
    // The user whose name and password were right (even when the groups did
    // not admit them); empty otherwise.
    std::string UserName;
};

// Decides access to folder for credentials "name:password" (empty when the
// request carried none). Pure: no connection, no side effects.
TAccessDecision AuthenticateForFolder(const TProtectedFolders& folders,
                                      const TProtectedFolder& folder, std::string_view credentials);

// MatchProtectedFolder followed by AuthenticateForFolder; an unprotected path
// gives an empty decision.
TAccessDecision DecideFolderAccess(const TProtectedFolders& folders, std::string_view path,
                                   std::string_view credentials);

// The check of the file server: empty when the connection may read path,
// else the realm for the 401 answer. An accepted user is stored in the
// connection's UserName and remembered for its client address.
std::string CheckProtectedFolder(THttpServerThread& conn, std::string_view path,
                                 const TProtectedFolders& folders);

// ---- Request filter --------------------------------------------------------

enum : uint8_t { kRangeRem = 0, kRangeBlock = 1, kRangePermit = 2 };

struct TIPRange {
    uint32_t FromAddr = 0;  // packed; not after ToAddr in dotted order
    uint32_t ToAddr = 0;    // packed, included
    uint8_t Kind = kRangeRem;
};

// The running range lists. Read inside HookLock only; replaced as a whole by
// ReloadIPFilter (config/IpFilter.h).
std::vector<TIPRange>& BlockRanges();
std::vector<TIPRange>& PermitRanges();

// True when a range of non-zero kind contains the packed address, comparing
// in dotted order (first octet most significant).
bool IPInRanges(uint32_t address, const std::vector<TIPRange>& ranges);

// The request-parsed hook: makes a peer in a block range (and in no permit range) or a method other
// than GET, HEAD and POST stop reading, so the connection closes without an answer. Filters on the
// socket address: a forwarded address is the client's say-so.
void FilterRequest(THttpServerThread& conn);

}  // namespace palvex
