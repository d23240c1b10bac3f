#include "server/RequestPath.h"

#include "common/Codecs.h"

namespace palvex {

namespace {

bool ForbiddenInPath(char16_t c) {
    return c < 32 || c == u'"' || c == u':' || c == u'<' || c == u'>' || c == u'|';
}

// Checks every character, turns "/" into "\" and finds the virtual marker.
// False for an invalid path.
bool NormaliseCharacters(std::u16string& rel, uint8_t& kind) {
    for (size_t i = 0; i < rel.size(); ++i) {
        const char16_t c = rel[i];
        if (ForbiddenInPath(c)) return false;
        if (c == u'*') {
            if (i != 0 && rel[i - 1] != u'\\') return false;
            kind = kPathVirtual;
        } else if (c == u'/') {
            rel[i] = u'\\';
        }
    }
    return true;
}

// Removes every "." element: "/./private/x" must meet the same checks as
// "/private/x", since the file system reaches the same file.
bool RemoveDotElements(std::u16string& rel) {
    std::u16string out;
    bool removed = false;
    size_t start = 0;
    while (start <= rel.size()) {
        size_t end = rel.find(u'\\', start);
        if (end == std::u16string::npos) end = rel.size();
        const std::u16string_view element = std::u16string_view(rel).substr(start, end - start);
        const bool last = end == rel.size();
        if (element == u".") {
            removed = true;
        } else {
            out += element;
            if (!last) out += u'\\';
        }
        start = end + 1;
    }
    if (removed) rel = out;
    return removed;
}

void CollapseDoubledSeparators(std::u16string& rel, bool& slashed) {
    size_t at;
    while ((at = rel.find(u"\\\\")) != std::u16string::npos) {
        rel.erase(at, 1);
        slashed = true;
    }
}

}  // namespace

TRequestPath ParseRequestPath(std::string_view target) {
    TRequestPath p;
    std::u16string rel = PercentDecodeW(target.substr(0, target.find('?')));
    if (rel.empty() || (rel[0] != u'/' && rel[0] != u'\\')) return p;
    rel.erase(0, 1);
    uint8_t kind = kPathInvalid;
    if (!NormaliseCharacters(rel, kind)) return p;
    p.LogPath = rel.empty() ? u"\\" : rel;
    if (rel.size() > kMaxRelPathChars) return p;
    while (!rel.empty() && rel[0] == u'\\') {
        rel.erase(0, 1);
        p.Slashed = true;
    }
    if (rel.find(u"..") != std::u16string::npos) return p;
    if (RemoveDotElements(rel)) p.Slashed = true;
    CollapseDoubledSeparators(rel, p.Slashed);
    while (!rel.empty() && rel[0] == u'\\')
        rel.erase(0, 1);
    p.RelPath = rel;
    if (kind == kPathVirtual) {
        p.Kind = kPathVirtual;
        return p;
    }
    p.Kind = kPathAny;
    if (p.RelPath.empty()) p.RelPath.assign(1, u'\\');
    if (p.RelPath.back() == u'\\') p.Kind = kPathFolder;
    return p;
}

void ApplyRequestPath(THttpServerThread& conn, const TRequestPath& p) {
    if (!p.LogPath.empty()) conn.Path = p.LogPath;
    conn.Status = p.Kind == kPathInvalid ? rsBadRequest : rsNone;
}

}  // namespace palvex
