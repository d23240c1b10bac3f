// The listing: text encoding, sizes, paging, the folder scan with its cache,
// and whole pages for fixture folders.

#include "webapps/DirListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/TextConv.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"
#include "support/NoFreeDescriptors.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(DirListing, CharRefsKeepAsciiAndNameRefsAlsoDefuseMarkup) {
    struct Case {
        std::u16string text;
        const char* charRefs;
        const char* nameRefs;
    } cases[] = {
        {u"a&b.jpg", "a&b.jpg", "a&b.jpg"},
        {u"Ä.txt", "&#196;.txt", "&#196;.txt"},
        {u"<b>\"x\"</b>", "<b>\"x\"</b>", "&lt;b&gt;&quot;x&quot;&lt;/b&gt;"},
        {u"tab\there\x7F", "tab&#9;here\x7F", "tab&#9;here\x7F"},
        {u"\U0001F600 \xD83D", "&#128512; &#55357;", "&#128512; &#55357;"},
        {u"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeCharRefs(c.text), c.charRefs);
        EXPECT_EQ(EncodeNameRefs(c.text), c.nameRefs);
    }
}

TEST(DirListing, KilobytesRoundHalfUpWithSpacedThousands) {
    struct Case {
        uint32_t size;
        const char* text;
    } cases[] = {
        {1, "1"},
        {300, "1"},
        {1535, "1"},
        {1536, "2"},
        {999 * 1024, "999"},
        {1234 * 1024, "1 234"},
        {1234567 * 1024u, "1 234 567"},
        {0xFFFFFFFF, "4 194 304"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KbText(c.size), c.text) << c.size;
}

TEST(DirListing, PagingClampsRowsAndFirstEntry) {
    struct Case {
        int count;
        long long first, perPage;
        int wantFirst, wantLast, wantPerPage, wantPages, wantPage;
    } cases[] = {
        {30, 0, 0, 0, 24, 25, 2, 1},     {30, 0, -4, 0, 24, 25, 2, 1},
        {30, 0, 5, 0, 9, 10, 3, 1},      {30, 0, 5000, 0, 29, 1000, 1, 1},
        {30, 1000, 25, 5, 29, 25, 2, 1}, {30, 25, 25, 25, 29, 25, 2, 2},
        {30, -20, 25, 0, 24, 25, 2, 1},  {3, 0, 25, 0, 2, 25, 1, 1},
        {1, 7, 10, 0, 0, 10, 1, 1},
    };
    for (const auto& c : cases) {
        const TListingPage page = ComputeListingPage(c.count, c.first, c.perPage);
        EXPECT_EQ(page.First, c.wantFirst) << c.count << " " << c.first << " " << c.perPage;
        EXPECT_EQ(page.Last, c.wantLast) << c.count << " " << c.first << " " << c.perPage;
        EXPECT_EQ(page.PerPage, c.wantPerPage);
        EXPECT_EQ(page.Pages, c.wantPages);
        EXPECT_EQ(page.Page, c.wantPage);
    }
}

// A root folder on disk and the listing generator over it.
class ListingFixture : public ::testing::Test {
  protected:
    std::u16string Root() const { return AnsiToWide(dir.Path()); }
    void Sized(const std::string& name, uintmax_t size) const {
        dir.Write(name, "");
        std::filesystem::resize_file(dir.Path() + name, size);
    }
    // Lists relPath for a GET of target; the page, or "404" when none was built.
    std::string Page(const std::string& target, const std::u16string& relPath) {
        THttpServer server;
        THttpServerThread conn{server, -1, 0};
        ParseHead(conn, "GET " + target + " HTTP/1.0");
        if (!listing.ListDirectory(conn, Root(), relPath, false)) {
            EXPECT_EQ(conn.Status, rsNotFound);
            return "404";
        }
        EXPECT_EQ(conn.Status, rsOk);
        EXPECT_EQ(conn.ContentType, "text/html");
        return conn.ResponseBody;
    }
    std::vector<std::u16string> Names(const std::u16string& relPath) {
        std::vector<std::u16string> names;
        TKnownDir* d = FindKnownDir(Root(), relPath);
        if (!d || !ScanDirectory(*d)) return names;
        for (size_t i = 0; i < d->Entries->Count(); ++i)
            names.push_back(d->Entries->Get(i));
        return names;
    }

    test::TempDir dir;
    TDirectoryListing listing;
};

TEST_F(ListingFixture, ScanLeavesOutHiddenDescriptionAccessAndEmptyFiles) {
    for (const char* name :
         {".hidden", ".htaccess", ".HTAccess", ".FileInfo", ".fileINFO", "empty.txt", "DATA.txt",
          "Data.txt", "b.txt", "sub/x.txt", "sub/.FileInfo"})
        dir.Write(name, std::string(name) == "empty.txt" ? "" : "x");
    dir.MakeDir("sub/.git");
    dir.MakeDir("sub/inner");
    EXPECT_EQ(Names(u""),
              (std::vector<std::u16string>{u"b.txt", u"Data.txt", u"DATA.txt", u"sub"}));
    EXPECT_EQ(Names(u"sub\\"), (std::vector<std::u16string>{u"..", u"inner", u"x.txt"}));
    EXPECT_EQ(FindKnownDir(Root(), u"missing\\"), nullptr);
}

TEST_F(ListingFixture, NamesThatDecodeAlikeAreListedOnce) {
    // Both byte names read as "a\uFFFD.txt": one row, not two.
    dir.Write("odd/a\xFF.txt", "x");
    dir.Write("odd/a\xFE.txt", "x");
    EXPECT_EQ(Names(u"odd\\"), (std::vector<std::u16string>{u"..", u"a\uFFFD.txt"}));
}

TEST_F(ListingFixture, QuestionMarkInANameStaysPartOfTheLink) {
    dir.Write("q/a?b.txt", "x");
    dir.MakeDir("q/why?");
    const std::string page = Page("/q/", u"q\\");
    EXPECT_NE(page.find("<a href=\"a%3Fb.txt\">a?b.txt</a>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"why%3F/\">"), std::string::npos);
}

TEST_F(ListingFixture, ScanStopsAtTheEntryLimit) {
    for (size_t i = 0; i <= kMaxListedEntries; ++i)
        dir.Write("many/" + std::to_string(i), "x");
    EXPECT_EQ(Names(u"many\\").size(), kMaxListedEntries);
}

TEST_F(ListingFixture, EntriesAreCachedForThirtySeconds) {
    dir.Write("a.txt", "x");
    TKnownDir* d = FindKnownDir(Root(), u"");
    ASSERT_NE(d, nullptr);
    RefreshEntries(*d);
    dir.Write("b.txt", "x");
    RefreshEntries(*d);
    EXPECT_EQ(d->Entries->Count(), 1u);
    d->ScanTime -= 31.0 / 86400;
    RefreshEntries(*d);
    EXPECT_EQ(d->Entries->Count(), 2u);
    dir.Write("c.txt", "x");
    d->ScanTime += 1.0;  // the clock went back
    RefreshEntries(*d);
    EXPECT_EQ(d->Entries->Count(), 3u);
    EXPECT_EQ(FindKnownDir(Root(), u""), d);
}

// Distinct folder paths through the links a, b and c that all lead back to
// the same folder: a\, b\, c\, a\a\, a\b\, ...
std::vector<std::u16string> LoopPaths(size_t count) {
    std::vector<std::u16string> paths{u""};
    for (size_t i = 0; paths.size() <= count; ++i)
        for (char16_t link : {u'a', u'b', u'c'})
            paths.push_back(paths[i] + link + u'\\');
    paths.erase(paths.begin());
    paths.resize(count);
    return paths;
}

TEST_F(ListingFixture, CacheStaysBoundedUnderALinkLoop) {
    dir.MakeDir("loop");
    for (const char* link : {"a", "b", "c"})
        std::filesystem::create_directory_symlink(".", dir.Path() + "loop/" + link);
    // Few entries a folder: the folder count is the bound that holds.
    for (const std::u16string& path : LoopPaths(2000))
        ASSERT_NE(Page("/", u"loop\\" + path), "404");
    EXPECT_EQ(KnownDirCount(), kMaxKnownDirs);
    // Large folders: the entry count is the bound that holds.
    for (int i = 0; i < 1000; ++i)
        dir.Write("loop/f" + std::to_string(i), "x");
    for (const std::u16string& path : LoopPaths(400))
        ASSERT_NE(Page("/", u"loop\\" + path + u"a\\"), "404");
    EXPECT_LE(KnownDirEntryCount(), kMaxKnownDirEntries);
    EXPECT_GT(KnownDirEntryCount(), kMaxKnownDirEntries - 1100);
    // A folder pushed out of the cache is scanned again and listed whole.
    EXPECT_THAT(Page("/?first=1000", u"loop\\a\\"), HasSubstr(">f999</a>"));
}

TEST_F(ListingFixture, OutOfDescriptorsAFolderAnswersOverloadAndIsReadLater) {
    dir.Write("pics/a.jpg", "x");
    dir.Write("pics/.FileInfo", "<Folder><title>Fotos</title></Folder>");
    dir.Write("other/b.txt", "x");
    ASSERT_NE(Page("/", u"other\\"), "404");
    {
        test::NoFreeDescriptors exhausted;
        THttpServer server;
        for (const char16_t* folder : {u"pics\\", u"other\\"}) {
            THttpServerThread conn{server, -1, 0};
            ParseHead(conn, "GET / HTTP/1.0");
            FindKnownDir(Root(), u"other\\")->ScanTime = 0;  // due for a rescan
            EXPECT_FALSE(listing.ListDirectory(conn, Root(), folder, false));
            EXPECT_EQ(conn.Status, rsOverload) << WideToUtf8(folder);
        }
    }
    // The description was not taken for missing while the descriptors ran out.
    EXPECT_THAT(Page("/", u"pics\\"), HasSubstr("<title>Fotos, Index of /pics/</title>"));
    EXPECT_THAT(Page("/", u"other\\"), HasSubstr(">b.txt</a>"));
}

TEST_F(ListingFixture, FolderWithoutEntriesAnswersNotFound) {
    dir.Write(".hidden", "x");
    EXPECT_EQ(Page("/", u"\\"), "404");
    dir.MakeDir("sub");
    EXPECT_EQ(Page("/missing/", u"missing\\"), "404");
    EXPECT_THAT(Page("/sub/", u"sub\\"), HasSubstr(">..</a> /</td>"));
}

TEST_F(ListingFixture, FolderNameInTheTitleIsText) {
    dir.Write("<b>/a.txt", "x");
    EXPECT_THAT(Page("/%3Cb%3E/", u"<b>\\"),
                HasSubstr("<title>Directory Listing, Index of /&lt;b&gt;/</title>"));
}

TEST_F(ListingFixture, WholePageOfAFolderNamedWithoutSlash) {
    dir.Write(
        "pics/.FileInfo",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Folder><title>Fotos &amp; Filme</title>"
        "<description>&lt;b&gt;Urlaub&lt;/b&gt; am Müritzsee</description></Folder>");
    Sized("pics/<x>.txt", 2000);
    Sized("pics/a&b.jpg", 300);
    Sized("pics/Ä.txt", 1536);
    Sized("pics/big.bin", 1234 * 1024 + 512);
    Sized("pics/.hidden", 10);
    Sized("pics/empty.txt", 0);
    dir.MakeDir("pics/sub");
    const std::string nav =
        "<br><br><span class=\"Navigation\">Page 1 of <a href=\"?first=0\">1</a> "
        "&nbsp;&bull;&nbsp; "
        "Previous page &nbsp;&bull;&nbsp; Next page &nbsp;&bull;&nbsp; "
        "<a href=\"javascript:ShowAllThumbnails()\">Show all thumbnails</a></span><br><br>\r\n";
    const std::string expected =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
        "<html><head><meta http-equiv=\"content-type\" content=\"text/html; "
        "charset=iso-8859-1\">\r\n"
        "<title>Fotos & Filme, Index of /pics/</title>\r\n"
        "<link rel=\"stylesheet\" type=\"text/css\" href=\"/*extra/dir.css\">\r\n"
        "<script type=\"text/javascript\" src=\"/*extra/dir.js\"></script>\r\n"
        "</head>\r\n<body>\r\n"
        "<br><div align=center><div class=\"ContentDiv\"><span class=\"PageTitle\">Fotos & "
        "Filme</span><br>"
        "<br><span class=\"Description\"><b>Urlaub</b> am M&#252;ritzsee</span><br>" +
        nav +
        "<br><table id=\"FileTable\"><colgroup><col class=\"SizeCol\"><col class=\"FileCol\">"
        "<col class=\"TnCol\"></colgroup>\r\n"
        "<tr bgcolor=\"#E8F4E8\"><td>Dir</td><td><a href=\"/pics/../\"><img "
        "src=\"/*extra/folder.gif\" border=0 alt=\"\">..</a> /</td><td></td></tr>\r\n"
        "<tr><td>Dir</td><td><a href=\"/pics/sub/\"><img src=\"/*extra/folder.gif\" border=0 "
        "alt=\"\">sub</a> /</td><td></td></tr>\r\n"
        "<tr bgcolor=\"#E8F4E8\"><td align=right>2 kb</td><td><a "
        "href=\"/pics/%3Cx%3E.txt\">&lt;x&gt;.txt</a></td><td></td></tr>\r\n"
        "<tr><td align=right>1 kb</td><td><a href=\"/pics/a%26b.jpg\">a&b.jpg</a></td><td><img "
        "name=\"TnImg\" src=\"/*extra/tn.gif\" alt=\"\" title=\"Thumbnail\" "
        "url=\"/pics/a%26b.jpg\" onclick=\"ShowTn(this)\"></td></tr>\r\n"
        "<tr bgcolor=\"#E8F4E8\"><td align=right>2 kb</td><td><a "
        "href=\"/pics/%C4.txt\">&#196;.txt</a></td><td></td></tr>\r\n"
        "<tr><td align=right>1 235 kb</td><td><a "
        "href=\"/pics/big.bin\">big.bin</a></td><td></td></tr>\r\n"
        "</table>\r\n" +
        nav +
        "<br><small>Powered by <a href=\"https://palvex.example/\" target=\"_blank\">Morvi "
        "Webserver</a></small></div></div><br><br><br>\r\n"
        "<script type=\"text/javascript\">Init();</script>\r\n</body></html>";
    EXPECT_EQ(Page("/pics", u"pics"), expected);
}

TEST_F(ListingFixture, SmallRootPageUsesTheSettings) {
    dir.Write("one.txt", "0123456789");
    listing.Title = "Bilder & mehr";
    listing.Info = "Willkommen <i>hier</i> – schön";
    listing.Background = "/bg.jpg";
    const std::string page = Page("/?fpp=5", u"\\");
    EXPECT_THAT(page, HasSubstr("<title>Bilder & mehr, Index of /</title>"));
    EXPECT_THAT(page,
                HasSubstr("</head>\r\n<body background=\"/bg.jpg\">\r\n<br><br><br><div "
                          "align=center><div class=\"ContentDiv\"><span class=\"PageTitle\">"
                          "Bilder & mehr</span><br><br><span class=\"Description\">Willkommen "
                          "<i>hier</i> &#8211; sch&#246;n</span><br><br><br><span "
                          "class=\"Navigation\">Page 1 of <a href=\"?fpp=5&first=0\">1</a> "
                          "&nbsp;&bull;&nbsp; Previous page &nbsp;&bull;&nbsp; Next "
                          "page</span><br><br>\r\n"));
    EXPECT_THAT(page, HasSubstr("<tr bgcolor=\"#E8F4E8\"><td align=right>1 kb</td><td><a "
                                "href=\"one.txt\">one.txt</a></td><td></td></tr>\r\n</table>"));
    listing.Title.clear();
    listing.Info.clear();
    EXPECT_THAT(Page("/", u"\\"),
                HasSubstr("<span class=\"PageTitle\">Directory Listing</span><br><br><br>"));
}

TEST_F(ListingFixture, PagesShowFoldersFirstAndFilesOfTheirRange) {
    dir.MakeDir("many/d");
    for (int i = 0; i < 28; ++i)
        dir.Write("many/f" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".txt", "x");
    // 30 entries: "..", "d", f00..f27. Beyond the end the last full page shows.
    const std::string last = Page("/many/?first=1000&fpp=25", u"many\\");
    EXPECT_THAT(last, HasSubstr("<span class=\"Navigation\">Page 1 of <a "
                                "href=\"?fpp=25&first=25\">2</a> &nbsp;&bull;&nbsp; <a "
                                "href=\"?fpp=25&first=-20\">Previous page</a> "
                                "&nbsp;&bull;&nbsp; Next page</span>"));
    EXPECT_THAT(last, Not(HasSubstr("<td>Dir</td>")));
    EXPECT_THAT(last, HasSubstr(">f03.txt<"));
    EXPECT_THAT(last, Not(HasSubstr(">f02.txt<")));
    // The first page holds both folders and only the files among its ten entries.
    const std::string first = Page("/many/?fpp=5", u"many\\");
    size_t rows = 0;
    for (size_t at = first.find("<tr"); at != std::string::npos; at = first.find("<tr", at + 1))
        ++rows;
    EXPECT_EQ(rows, 10u);
    EXPECT_THAT(first, HasSubstr(">f07.txt<"));
    EXPECT_THAT(first, Not(HasSubstr(">f08.txt<")));
    EXPECT_THAT(first, HasSubstr("<a href=\"?fpp=5&first=10\">Next page</a>"));
}

TEST_F(ListingFixture, RawQueryCannotLeaveTheLinkAttribute) {
    dir.Write("a.txt", "x");
    const std::string page = Page("/?x=\"><script>", u"\\");
    EXPECT_THAT(page, Not(HasSubstr("<script>")));
    EXPECT_THAT(page, HasSubstr("<a href=\"?x=&quot;&gt;&lt;script&gt;&first=0\">1</a>"));
}

TEST_F(ListingFixture, LongFolderPathsKeepWholeLinks) {
    const std::string deep = std::string(200, 'a') + "/" + std::string(200, 'b');
    dir.Write(deep + "/x.txt", "x");
    std::u16string rel = AnsiToWide(deep);
    std::replace(rel.begin(), rel.end(), u'/', u'\\');
    EXPECT_THAT(Page("/" + deep, rel), HasSubstr("<a href=\"/" + deep + "/x.txt\">"));
}

}  // namespace
}  // namespace palvex
