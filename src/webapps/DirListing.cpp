// The listing page: head with title and description, navigation line, table
// of folders and files with thumbnail placeholders, footer.

#include "webapps/DirListing.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include "common/Codecs.h"
#include "common/FileIo.h"
#include "common/Paths.h"
#include "common/TextConv.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"
#include "server/StaticFiles.h"

namespace palvex {

namespace {

constexpr std::string_view kHomePage = "https://palvex.example/";
constexpr std::string_view kDefaultTitle = "Directory Listing";
constexpr std::string_view kShadedRow = "<tr bgcolor=\"#E8F4E8\">";
constexpr std::string_view kPlainRow = "<tr>";
constexpr std::string_view kRowEnd = "</tr>\r\n";
// Short listings start lower on the page.
constexpr size_t kFewEntries = 5;

constexpr std::string_view kPageStart =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
    "<html><head><meta http-equiv=\"content-type\" content=\"text/html; "
    "charset=iso-8859-1\">\r\n<title>";
constexpr std::string_view kIndexOf = ", Index of /";
constexpr std::string_view kHeadEnd =
    "</title>\r\n<link rel=\"stylesheet\" type=\"text/css\" href=\"/*extra/dir.css\">\r\n"
    "<script type=\"text/javascript\" src=\"/*extra/dir.js\"></script>\r\n</head>\r\n<body";
constexpr std::string_view kFewEntriesGap = "<br><br>";
constexpr std::string_view kTitleStart =
    "<br><div align=center><div class=\"ContentDiv\"><span class=\"PageTitle\">";
constexpr std::string_view kTitleEnd = "</span><br>";
constexpr std::string_view kDescriptionStart = "<br><span class=\"Description\">";
constexpr std::string_view kDescriptionEnd = "</span><br>";
constexpr std::string_view kTableStart =
    "<br><table id=\"FileTable\"><colgroup><col class=\"SizeCol\"><col class=\"FileCol\">"
    "<col class=\"TnCol\"></colgroup>\r\n";
constexpr std::string_view kTableEnd = "</table>\r\n";
constexpr std::string_view kFolderIcon = "<img src=\"/*extra/folder.gif\" border=0 alt=\"\">";
constexpr std::string_view kThumbnailStart =
    "<td><img name=\"TnImg\" src=\"/*extra/tn.gif\" alt=\"\" title=\"Thumbnail\" url=\"";
constexpr std::string_view kThumbnailEnd = "\" onclick=\"ShowTn(this)\"></td>";
constexpr std::string_view kNavSeparator = " &nbsp;&bull;&nbsp; ";
constexpr std::string_view kShowAllThumbnails =
    "<a href=\"javascript:ShowAllThumbnails()\">Show all thumbnails</a>";
constexpr std::string_view kFooterStart = "<br><small>Powered by <a href=\"";
constexpr std::string_view kFooterEnd =
    "\" target=\"_blank\">Morvi Webserver</a></small></div></div><br><br><br>\r\n"
    "<script type=\"text/javascript\">Init();</script>\r\n</body></html>";

std::string EncodeRefs(std::u16string_view text, bool escapeMarkup) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (escapeMarkup && (c == u'<' || c == u'>' || c == u'"')) {
            out += c == u'<' ? "&lt;" : c == u'>' ? "&gt;" : "&quot;";
        } else if (c >= 32 && c < 128) {
            out += static_cast<char>(c);
        } else {
            // A reference to half a surrogate pair shows as a replacement character.
            uint32_t code = c;
            if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
                code = CombineSurrogates(c, text[++i]);
            out += "&#" + std::to_string(code) + ";";
        }
    }
    return out;
}

// Characters that would end an attribute value or open a tag, written as
// references (the raw query goes into links unchanged otherwise).
std::string MarkupAsReferences(std::string_view text) {
    std::string out;
    for (char c : text)
        out += c == '"' ? "&quot;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return out;
}

std::u16string BackslashesToSlashes(std::u16string text) {
    std::replace(text.begin(), text.end(), u'\\', u'/');
    return text;
}

// The root becomes empty; other folders end with a backslash. A path that had
// to be completed asks for absolute links.
void NormaliseFolderPath(std::u16string& rel, bool& slashed) {
    if (rel == u"\\" || rel == u"/") {
        slashed = true;
        rel.clear();
    }
    if (!rel.empty() && rel.back() != u'\\') {
        slashed = true;
        rel += u'\\';
    }
}

// A name or path as a link. On Linux a name may hold "?", which the path
// encoding keeps and a browser would read as the start of a query.
std::string LinkText(std::u16string_view nameOrPath) {
    std::string link = UrlEncodePath(nameOrPath);
    for (size_t at = link.find('?'); at != std::string::npos; at = link.find('?', at))
        link.replace(at, 1, "%3F");
    return link;
}

// Absolute link prefix ("/pics/") for a folder that was named without its
// trailing slash, else empty (links relative to the page). Never shortened:
// a cut prefix would point every link of a deep folder elsewhere.
std::string LinkPrefix(const std::u16string& rel, bool slashed) {
    if (!slashed || rel.empty()) return {};
    return LinkText(AnsiToWide(WideToAnsi(BackslashesToSlashes(u"/" + rel))));
}

// Integer value of a query parameter; 0 when absent, not a number or beyond 32 bits.
long long QueryNumber(std::u16string_view query, std::string_view name) {
    long long value = 0;
    if (!ParseInt(WideToAnsi(GetQueryParam(name, query)), value)) return 0;
    return value < INT_MIN || value > INT_MAX ? 0 : value;
}

// Builds the rows of the table; the shading alternates across folders and files.
class TRowWriter {
  public:
    explicit TRowWriter(std::string prefix) : prefix_(std::move(prefix)) {}

    void Folder(std::u16string_view name) {
        Row("<td>Dir</td><td><a href=\"" + prefix_ + LinkText(name) + "/\">" +
            std::string(kFolderIcon) + EncodeNameRefs(name) + "</a> /</td><td></td>");
    }

    void File(std::u16string_view name, uint32_t size) {
        const std::string href = prefix_ + LinkText(name);
        std::string cells = "<td align=right>" + KbText(size) + " kb</td><td><a href=\"" + href +
                            "\">" + EncodeNameRefs(name) + "</a></td>";
        if (IsImageExtension(ExtensionOf(name))) {
            cells += std::string(kThumbnailStart) + href + std::string(kThumbnailEnd);
            ++thumbnails_;
        } else {
            cells += "<td></td>";
        }
        Row(cells);
    }

    std::string Table;
    int Thumbnails() const { return thumbnails_; }

  private:
    void Row(const std::string& cells) {
        Table += shaded_ ? kShadedRow : kPlainRow;
        Table += cells;
        Table += kRowEnd;
        shaded_ = !shaded_;
    }

    std::string prefix_;
    bool shaded_ = true;
    int thumbnails_ = 0;
};

// Table rows: every folder on the first page, then the files of this page.
std::string TableRows(const TWStringList& entries, const TListingPage& page,
                      const std::string& prefix, int& thumbnails) {
    TRowWriter rows(prefix);
    if (page.First == 0) {
        for (size_t i = 0; i < entries.Count(); ++i)
            if (entries.GetObject(i) == 0) rows.Folder(entries.Get(i));
    }
    for (int i = page.First; i <= page.Last; ++i) {
        const int32_t size = entries.GetObject(static_cast<size_t>(i));
        if (size > 0) rows.File(entries.Get(static_cast<size_t>(i)), static_cast<uint32_t>(size));
    }
    thumbnails = rows.Thumbnails();
    return rows.Table;
}

// The navigation line shown above and below the table.
std::string NavigationLine(const THttpServerThread& conn, const TListingPage& page, int count,
                           int thumbnails) {
    const std::string query = GetQuery(conn);
    const auto link = [&](long long first) {
        return MarkupAsReferences(SetQueryParam("first", std::to_string(first), query));
    };
    std::string nav = "<br><br><span class=\"Navigation\">Page " + std::to_string(page.Page) +
                      " of <a href=\"" +
                      link(static_cast<long long>(page.Pages - 1) * page.PerPage) + "\">" +
                      std::to_string(page.Pages) + "</a>" + std::string(kNavSeparator);
    nav += page.First > 0 ? "<a href=\"" + link(page.First - page.PerPage) + "\">Previous page</a>"
                          : std::string("Previous page");
    nav += kNavSeparator;
    nav += page.Last < count - 1
               ? "<a href=\"" + link(page.First + page.PerPage) + "\">Next page</a>"
               : std::string("Next page");
    if (thumbnails > 0) nav += std::string(kNavSeparator) + std::string(kShowAllThumbnails);
    return nav + "</span><br><br>\r\n";
}

// Everything before the navigation line: document head, title and description.
std::string PageHead(const TDirectoryListing_Base& listing, const TKnownDir& d,
                     const std::u16string& rel, size_t count) {
    const TFolderInfo info = ReadFolderInfo(d.FileInfo);
    const std::u16string titleText = info.Title.empty() ? AnsiToWide(listing.Title) : info.Title;
    const std::string title =
        titleText.empty() ? std::string(kDefaultTitle) : EncodeCharRefs(titleText);
    const std::u16string description =
        info.Description.empty() ? AnsiToWide(listing.Info) : info.Description;
    std::string head = std::string(kPageStart) + title + std::string(kIndexOf) +
                       EncodeNameRefs(BackslashesToSlashes(rel)) + std::string(kHeadEnd);
    if (!listing.Background.empty()) head += " background=\"" + listing.Background + "\"";
    head += ">\r\n";
    if (count < kFewEntries) head += kFewEntriesGap;
    head += std::string(kTitleStart) + title + std::string(kTitleEnd);
    if (!description.empty())
        head += std::string(kDescriptionStart) + EncodeCharRefs(description) +
                std::string(kDescriptionEnd);
    return head;
}

}  // namespace

std::string EncodeCharRefs(std::u16string_view text) {
    return EncodeRefs(text, false);
}

std::string EncodeNameRefs(std::u16string_view text) {
    return EncodeRefs(text, true);
}

std::string KbText(uint32_t size) {
    uint32_t k = size / 1024 + (size % 1024 >= 512 ? 1 : 0);
    std::string text = std::to_string(k == 0 ? 1 : k);
    if (text.size() > 6) text.insert(text.size() - 6, 1, ' ');
    if (text.size() > 3) text.insert(text.size() - 3, 1, ' ');
    return text;
}

TListingPage ComputeListingPage(int count, long long first, long long perPage) {
    TListingPage page;
    if (perPage < 1) perPage = kDefaultRowsPerPage;
    perPage = std::clamp<long long>(perPage, kMinRowsPerPage, kMaxRowsPerPage);
    if (first >= count) first = count - perPage;
    if (first < 0) first = 0;
    page.PerPage = static_cast<int>(perPage);
    page.First = static_cast<int>(first);
    page.Last = std::min(page.First + page.PerPage - 1, count - 1);
    page.Pages = count / page.PerPage + (count % page.PerPage > 0 ? 1 : 0);
    page.Page = page.First / page.PerPage + 1;
    return page;
}

bool TDirectoryListing::ListDirectory(THttpServerThread& conn, const std::u16string& rootFolder,
                                      const std::u16string& relativePath, bool slashed) {
    std::u16string rel = relativePath;
    NormaliseFolderPath(rel, slashed);
    const std::string prefix = LinkPrefix(rel, slashed);
    bool shortage = false;
    TKnownDir* d = FindKnownDir(rootFolder, rel, &shortage);
    if (d && !RefreshEntries(*d)) shortage = IsResourceShortage(errno);
    if (!d || !d->Entries || d->Entries->Count() == 0) {
        // Out of descriptors or memory the folder may well have entries.
        conn.Status = shortage ? rsOverload : rsNotFound;
        return false;
    }
    const TWStringList& entries = *d->Entries;
    const int count = static_cast<int>(entries.Count());
    const std::u16string query = GetQueryW(conn);
    const TListingPage page =
        ComputeListingPage(count, QueryNumber(query, "first"), QueryNumber(query, "fpp"));
    int thumbnails = 0;
    std::string table = std::string(kTableStart) + TableRows(entries, page, prefix, thumbnails) +
                        std::string(kTableEnd);
    const std::string nav = NavigationLine(conn, page, count, thumbnails);
    table += nav + std::string(kFooterStart) + std::string(kHomePage) + std::string(kFooterEnd);
    conn.ResponseBody = PageHead(*this, *d, rel, entries.Count()) + nav + table;
    conn.Status = rsOk;
    conn.ContentType = "text/html";
    return true;
}

}  // namespace palvex
