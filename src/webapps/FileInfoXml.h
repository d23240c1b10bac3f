#pragma once
// Per-folder description files (".FileInfo") and the small, forgiving XML
// reader that loads them. The reader builds a tree of elements with their
// trimmed, unescaped text; it never reports an error: malformed input yields an
// oddly shaped or partial tree instead. Nesting depth and element count are
// bounded, so hostile documents cost time and memory linear in their size.
//
// Typical use by the directory listing (one document per folder, loaded once):
//
//     TMorviXmlFile doc;
//     doc.LoadFromFile(folder + kFileInfoName);  // folder ends with "/"
//     const TFolderInfo info = ReadFolderInfo(doc);
//     // info.Title / info.Description: empty when absent; fall back to settings.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace palvex {

// Name of the description file inside a folder.
inline constexpr std::u16string_view kFileInfoName = u".FileInfo";
// Elements nest at most this deep below the document node; deeper start tags are
// ignored and their text joins the enclosing element's text.
inline constexpr int kMaxXmlDepth = 64;
// At most this many elements are parsed per document; later start tags are
// ignored as above.
inline constexpr size_t kMaxXmlElements = 10000;
// Description files this large or larger are not read.
inline constexpr uint64_t kMaxFileInfoBytes = 1 << 20;
// Name of the document node; it has index 0 in the name table.
inline constexpr std::string_view kXmlRootName = "_Root";

class TMorviXmlFile;

// One element: its name (as an index into the document's name table), the raw
// text of its start tag after the name, and its own text without child elements.
class TMorviXmlNode {
  public:
    explicit TMorviXmlNode(TMorviXmlFile* document = nullptr, TMorviXmlNode* parent = nullptr)
        : Parent(parent), Document(document) {}
    TMorviXmlNode(const TMorviXmlNode&) = delete;
    TMorviXmlNode& operator=(const TMorviXmlNode&) = delete;

    int32_t NameIndex = -1;                                // -1 when the node has no document
    std::u16string Attributes;                             // trimmed, not parsed further
    std::u16string Text;                                   // trimmed and unescaped
    std::vector<std::unique_ptr<TMorviXmlNode>> Children;  // document order
    TMorviXmlNode* Parent = nullptr;
    TMorviXmlFile* Document = nullptr;
};

// A parsed document: the document node "_Root" whose children are the
// top-level elements, and the table of element names the nodes refer to.
class TMorviXmlFile {
  public:
    TMorviXmlFile();
    virtual ~TMorviXmlFile() = default;
    // Nodes point back at their document, so it stays where it was made.
    TMorviXmlFile(const TMorviXmlFile&) = delete;
    TMorviXmlFile& operator=(const TMorviXmlFile&) = delete;

    // Forgets the file name, all nodes and names; leaves an empty "_Root".
    virtual void Clear();
    // Clears, then reads and parses the file; false (document empty) when the
    // file is missing, empty, kMaxFileInfoBytes or larger, or unreadable.
    bool LoadFromFile(std::u16string_view path);
    // Replaces the tree by the elements parsed from text.
    void LoadFromText(std::u16string_view text);

    // Position of name in the name table (exact, case-sensitive), -1 when absent.
    int32_t IndexOfName(std::string_view name) const;
    // Position of name in the name table, appending it when absent.
    int32_t NameIndex(std::string_view name);
    const std::vector<std::string>& Names() const { return names_; }

    std::u16string FileName;  // path of the last file read; empty after Clear
    std::unique_ptr<TMorviXmlNode> Root;

  private:
    void NewRoot();

    std::vector<std::string> names_;
    std::unordered_map<std::string, int32_t> nameIndex_;
};

// The node's element name; empty when node or its document is missing.
std::string NodeName(const TMorviXmlNode* node);
// Text of the first child whose name index is nameIndex; empty when none.
std::u16string ChildTextByIndex(const TMorviXmlNode* node, int32_t nameIndex);
// Text of the first child named name (case-sensitive); empty when none.
std::u16string ChildText(const TMorviXmlNode* node, std::string_view name);
// The first top-level element named name, or with no name the first one at all;
// nullptr when there is none.
const TMorviXmlNode* FindChild(const TMorviXmlFile& document,
                               std::optional<std::string_view> name = std::nullopt);

// Parses the content of the element whose start tag text (name, attributes,
// optional trailing "/") is tag, from text[pos] on, into node, replacing what
// node held. Returns the position after the element's end tag (text.size()
// when it has none); an empty-element tag consumes nothing.
size_t ParseContent(TMorviXmlNode& node, std::u16string_view text, size_t pos, std::string tag);
// Parses one child element of node (see ParseContent) and moves pos past it.
// Unless keepEmpty, a child without attributes, text and children is dropped
// and nullptr returned; otherwise the child is appended and returned.
TMorviXmlNode* AddChild(TMorviXmlNode& node, std::u16string_view text, size_t& pos, bool keepEmpty,
                        std::string tag);

// Replaces ' > < & " by their five named entities.
std::u16string XmlEscape(std::u16string_view text);
// Replaces the five named entities by their characters; anything else stays.
std::u16string XmlUnescape(std::u16string_view text);
// Replaces "&#n;" and "&#xh;" (0..65535) by their character and drops a
// leading U+001E; true when anything was replaced or dropped.
bool DecodeNumericRefs(std::u16string_view in, std::u16string& out);

// What a folder's description document tells the listing.
struct TFolderInfo {
    std::u16string Title;        // empty when absent
    std::u16string Description;  // empty when absent
};
// Title and description of the document's first element.
TFolderInfo ReadFolderInfo(const TMorviXmlFile& document);

// The description document for folder (which ends with its separator) with an
// empty title and description.
std::u16string FileInfoTemplate(std::u16string_view folder);
// Writes the template for the folder holding path to path, unless path already
// exists (it is never overwritten). True when the file was created.
bool WriteFileInfoTemplate(std::u16string_view path);

}  // namespace palvex
