#include "webapps/FileInfoXml.h"

#include <algorithm>

#include "common/Codecs.h"
#include "common/FileIo.h"
#include "common/TextConv.h"
#include "webapps/TextDecode.h"

namespace palvex {

namespace {

// The description document as the program writes it; the folder goes between.
constexpr std::u16string_view kFileInfoHead =
    u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Folder>\r\n\t<path>";
constexpr std::u16string_view kFileInfoTail =
    u"</path>\r\n\t<title></title>\r\n\t<description></description>\r\n</Folder>\r\n";

constexpr std::string_view kTitleName = "title";
constexpr std::string_view kDescriptionName = "description";

// Dropped when it opens an element's text (a record separator some editors write).
constexpr char16_t kRecordSeparator = 0x1E;
// Numeric references name UTF-16 units only.
constexpr unsigned kMaxNumericRef = 0xFFFF;

struct TEntity {
    std::u16string_view name;
    char16_t character;
};
constexpr TEntity kEntities[] = {
    {u"&apos;", u'\''}, {u"&gt;", u'>'}, {u"&lt;", u'<'}, {u"&amp;", u'&'}, {u"&quot;", u'"'},
};

// Which references a decoding pass replaces.
enum TRefKinds { kNumericRefs = 1, kNamedRefs = 2 };

// Elements a single parse may still create.
struct TParseBudget {
    size_t elementsLeft = kMaxXmlElements;
};

// Reads "n" or "xh" as a number up to kMaxNumericRef; false for anything else.
// Stops at the first bad character, which keeps repeated scans linear.
bool ParseRefNumber(std::u16string_view digits, unsigned& value) {
    const bool hex = !digits.empty() && digits.front() == u'x';
    if (hex) digits.remove_prefix(1);
    if (digits.empty()) return false;
    value = 0;
    for (const char16_t c : digits) {
        const int digit = hex ? HexDigitValue(c) : (c >= u'0' && c <= u'9' ? c - u'0' : -1);
        if (digit < 0) return false;
        value = value * (hex ? 16 : 10) + static_cast<unsigned>(digit);
        if (value > kMaxNumericRef) return false;
    }
    return true;
}

// Finds numeric references in one text; remembers the next ";" so that many
// unterminated "&#" cost linear time, not quadratic.
class TNumericRefReader {
  public:
    explicit TNumericRefReader(std::u16string_view text) : text_(text) {}

    // Length of the reference "&#...;" at position i and its character; 0 when none.
    size_t Match(size_t i, char16_t& character) {
        if (i + 1 >= text_.size() || text_[i] != u'&' || text_[i + 1] != u'#') return 0;
        const size_t digitsStart = i + 2;
        if (!searched_ || semicolon_ < digitsStart) {
            semicolon_ = text_.find(u';', digitsStart);
            searched_ = true;
        }
        if (semicolon_ == std::u16string_view::npos) return 0;
        unsigned value = 0;
        if (!ParseRefNumber(text_.substr(digitsStart, semicolon_ - digitsStart), value)) return 0;
        character = static_cast<char16_t>(value);
        return semicolon_ + 1 - i;
    }

  private:
    std::u16string_view text_;
    size_t semicolon_ = 0;
    bool searched_ = false;
};

// Length of the named entity at position i and its character; 0 when none.
size_t MatchNamedEntity(std::u16string_view text, size_t i, char16_t& character) {
    for (const auto& entity : kEntities) {
        if (text.substr(i, entity.name.size()) != entity.name) continue;
        character = entity.character;
        return entity.name.size();
    }
    return 0;
}

// Replaces the chosen kinds of references in one left-to-right pass, so the
// result of one replacement is never read again; true when anything changed.
bool DecodeRefs(std::u16string_view in, int kinds, std::u16string& out) {
    std::u16string result;
    result.reserve(in.size());
    bool changed = false;
    size_t i = 0;
    if ((kinds & kNumericRefs) && !in.empty() && in.front() == kRecordSeparator) {
        changed = true;
        i = 1;
    }
    TNumericRefReader numeric(in);
    while (i < in.size()) {
        char16_t character = 0;
        size_t length = 0;
        if (in[i] == u'&' && (kinds & kNumericRefs)) length = numeric.Match(i, character);
        if (in[i] == u'&' && length == 0 && (kinds & kNamedRefs))
            length = MatchNamedEntity(in, i, character);
        if (length == 0) {
            result += in[i++];
            continue;
        }
        result += character;
        i += length;
        changed = true;
    }
    out = std::move(result);
    return changed;
}

// Splits start-tag text into the element name (left in tag) and the trimmed
// text after its first space; true for an empty-element tag ("name/").
bool SplitStartTag(std::string& tag, std::u16string& attributes) {
    const bool emptyElement = !tag.empty() && tag.back() == '/';
    if (emptyElement) tag.pop_back();
    const size_t space = tag.find(' ');
    if (space != std::string::npos && space > 0) {
        attributes = AnsiToWide(TrimBlanks(std::string_view(tag).substr(space)));
        tag.resize(space);
    }
    return emptyElement;
}

// Number of ancestors of node, at most kMaxXmlDepth.
int DepthOf(const TMorviXmlNode& node) {
    int depth = 0;
    for (auto* p = node.Parent; p != nullptr && depth < kMaxXmlDepth; p = p->Parent)
        ++depth;
    return depth;
}

TMorviXmlNode* AddChildAt(TMorviXmlNode& node, std::u16string_view text, size_t& pos,
                          bool keepEmpty, std::string tag, int depth, TParseBudget& budget);

// ParseContent for a node at the given depth, drawing on a shared budget.
size_t ParseElement(TMorviXmlNode& node, std::u16string_view text, size_t pos, std::string tag,
                    int depth, TParseBudget& budget) {
    node.Children.clear();
    node.Text.clear();
    node.Attributes.clear();
    const bool emptyElement = SplitStartTag(tag, node.Attributes);
    node.NameIndex = node.Document != nullptr ? node.Document->NameIndex(tag) : -1;
    if (emptyElement) return pos;

    const std::string closeTag = "/" + tag;
    constexpr size_t kNoTag = std::u16string_view::npos;
    std::u16string raw;
    size_t lt = kNoTag;  // position of the "<" of the tag being read
    size_t end = text.size();
    for (size_t i = pos; i < text.size();) {
        const char16_t c = text[i];
        if (c == u'<') {
            lt = i++;
            continue;
        }
        if (c != u'>' || lt == kNoTag) {
            if (lt == kNoTag) raw += c;
            ++i;
            continue;
        }
        const std::string inner = WideToAnsi(TrimBlanks(text.substr(lt + 1, i - lt - 1)));
        lt = kNoTag;
        ++i;
        // Comments, declarations and processing instructions end at their first ">".
        if (inner.empty() || inner.front() == '!' || inner.front() == '?') continue;
        if (inner == "/" || inner == closeTag) {
            end = i;
            break;
        }
        // Beyond the bounds a start tag is ignored; its text joins this element's.
        if (depth >= kMaxXmlDepth || budget.elementsLeft == 0) continue;
        --budget.elementsLeft;
        AddChildAt(node, text, i, false, inner, depth + 1, budget);
    }
    DecodeRefs(TrimBlanks(raw), kNumericRefs | kNamedRefs, node.Text);
    return end;
}

TMorviXmlNode* AddChildAt(TMorviXmlNode& node, std::u16string_view text, size_t& pos,
                          bool keepEmpty, std::string tag, int depth, TParseBudget& budget) {
    auto child = std::make_unique<TMorviXmlNode>(node.Document, &node);
    pos = ParseElement(*child, text, pos, std::move(tag), depth, budget);
    if (!keepEmpty && child->Attributes.empty() && child->Text.empty() && child->Children.empty())
        return nullptr;
    node.Children.push_back(std::move(child));
    return node.Children.back().get();
}

}  // namespace

TMorviXmlFile::TMorviXmlFile() {
    NewRoot();
}

void TMorviXmlFile::NewRoot() {
    Root = std::make_unique<TMorviXmlNode>(this);
    Root->NameIndex = NameIndex(kXmlRootName);
}

void TMorviXmlFile::Clear() {
    FileName.clear();
    Root.reset();
    names_.clear();
    nameIndex_.clear();
    NewRoot();
}

bool TMorviXmlFile::LoadFromFile(std::u16string_view path) {
    Clear();
    std::string bytes;
    if (!ReadFileBytes(path, bytes, kMaxFileInfoBytes)) return false;
    LoadFromText(BytesToText(bytes));
    FileName = path;
    return true;
}

void TMorviXmlFile::LoadFromText(std::u16string_view text) {
    if (!Root) NewRoot();
    ParseContent(*Root, text, 0, std::string(kXmlRootName));
}

int32_t TMorviXmlFile::IndexOfName(std::string_view name) const {
    const auto found = nameIndex_.find(std::string(name));
    return found == nameIndex_.end() ? -1 : found->second;
}

int32_t TMorviXmlFile::NameIndex(std::string_view name) {
    const int32_t index = IndexOfName(name);
    if (index >= 0) return index;
    names_.emplace_back(name);
    const auto added = static_cast<int32_t>(names_.size() - 1);
    nameIndex_.emplace(names_.back(), added);
    return added;
}

std::string NodeName(const TMorviXmlNode* node) {
    if (node == nullptr || node->Document == nullptr || node->NameIndex < 0) return {};
    const auto& names = node->Document->Names();
    const auto index = static_cast<size_t>(node->NameIndex);
    return index < names.size() ? names[index] : std::string();
}

std::u16string ChildTextByIndex(const TMorviXmlNode* node, int32_t nameIndex) {
    if (node == nullptr || nameIndex < 0) return {};
    for (const auto& child : node->Children)
        if (child->NameIndex == nameIndex) return child->Text;
    return {};
}

std::u16string ChildText(const TMorviXmlNode* node, std::string_view name) {
    if (node == nullptr || node->Document == nullptr || name.empty()) return {};
    return ChildTextByIndex(node, node->Document->IndexOfName(name));
}

const TMorviXmlNode* FindChild(const TMorviXmlFile& document,
                               std::optional<std::string_view> name) {
    if (!document.Root) return nullptr;
    for (const auto& child : document.Root->Children)
        if (!name || NodeName(child.get()) == *name) return child.get();
    return nullptr;
}

size_t ParseContent(TMorviXmlNode& node, std::u16string_view text, size_t pos, std::string tag) {
    TParseBudget budget;
    return ParseElement(node, text, std::min(pos, text.size()), std::move(tag), DepthOf(node),
                        budget);
}

TMorviXmlNode* AddChild(TMorviXmlNode& node, std::u16string_view text, size_t& pos, bool keepEmpty,
                        std::string tag) {
    TParseBudget budget;
    pos = std::min(pos, text.size());
    return AddChildAt(node, text, pos, keepEmpty, std::move(tag), DepthOf(node) + 1, budget);
}

std::u16string XmlEscape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        const TEntity* match = nullptr;
        for (const auto& entity : kEntities)
            if (entity.character == c) match = &entity;
        if (match != nullptr)
            out += match->name;
        else
            out += c;
    }
    return out;
}

std::u16string XmlUnescape(std::u16string_view text) {
    std::u16string out;
    DecodeRefs(text, kNamedRefs, out);
    return out;
}

bool DecodeNumericRefs(std::u16string_view in, std::u16string& out) {
    return DecodeRefs(in, kNumericRefs, out);
}

TFolderInfo ReadFolderInfo(const TMorviXmlFile& document) {
    const TMorviXmlNode* folder = FindChild(document);
    return {ChildText(folder, kTitleName), ChildText(folder, kDescriptionName)};
}

std::u16string FileInfoTemplate(std::u16string_view folder) {
    std::u16string out(kFileInfoHead);
    out += XmlEscape(folder);
    out += kFileInfoTail;
    return out;
}

bool WriteFileInfoTemplate(std::u16string_view path) {
    const size_t slash = path.rfind(u'/');
    const std::u16string_view folder =
        slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash + 1);
    return CreateUtf16File(path, FileInfoTemplate(folder));
}

}  // namespace palvex
