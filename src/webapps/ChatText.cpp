#include "webapps/ChatText.h"

#include "common/Codecs.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr char16_t kNoBreakSpace = u'\u00A0';

// The field's bytes without raw control bytes, which no form sends.
std::string WithoutControlBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 32) out += c;
    return out;
}

}  // namespace

std::u16string EscapeLt(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == u'<')
            out += u"&lt;";
        else
            out += c;
    }
    return out;
}

std::u16string KeepSpaceRuns(std::u16string_view text) {
    std::u16string out(text);
    size_t i = 0;
    while (i < out.size()) {
        if (out[i] != u' ') {
            ++i;
            continue;
        }
        size_t run = 0;
        while (i + run < out.size() && out[i + run] == u' ')
            ++run;
        // Every second blank of a long run, then the first of a last pair:
        // "   " becomes " _ ", "    " becomes " __ ".
        size_t at = i;
        size_t left = run;
        for (; left >= 3; left -= 2, at += 2)
            out[at + 1] = kNoBreakSpace;
        if (left == 2) out[at] = kNoBreakSpace;
        i += run;
    }
    return out;
}

std::u16string EscapeHtml(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'>':
                out += u"&gt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::u16string GetFormField(std::string_view body, std::string_view name) {
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string_view::npos) end = body.size();
        const std::string_view field = body.substr(start, end - start);
        const size_t eq = field.find('=');
        if (eq != std::string_view::npos) {
            const std::string key = PercentDecode(WithoutControlBytes(field.substr(0, eq)));
            if (EqualsNoCase(TrimBlanks(key), name))
                return Utf8ToWide(PercentDecode(WithoutControlBytes(field.substr(eq + 1))));
        }
        start = end + 1;
    }
    return {};
}

}  // namespace palvex
