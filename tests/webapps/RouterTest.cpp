// Virtual paths: routing, the extras table and template lookup.

#include "webapps/Router.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include "common/TextConv.h"
#include "config/ProgramPaths.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"
#include "support/NoFreeDescriptors.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

using namespace std::string_literals;

struct Conn {
    explicit Conn(const std::string& target) { ParseHead(conn, "GET " + target + " HTTP/1.0"); }
    THttpServer server;
    THttpServerThread conn{server, -1, 0};
};

constexpr size_t kBuiltinGifBytes = 98;
constexpr size_t kTnGifBytes = 172;

TEST(Router, VirtualPathsReachTheirAnswers) {
    struct Case {
        const char* target;
        std::u16string path;
        uint8_t status;
        const char* contentType;
    } cases[] = {
        {"/*extra/online.txt", u"*extra\\online.txt", rsOk, "text/plain"},
        {"/fotos/*extra/dir.css", u"fotos\\*extra\\dir.css", rsOk, "text/css"},
        {"/*EXTRA/DIR.CSS", u"*EXTRA\\DIR.CSS", rsOk, "text/css"},
        {"/*extra/x/dir.js", u"*extra\\x\\dir.js", rsOk, "text/javascript"},
        {"/*extra/x:dir.js", u"*extra\\x:dir.js", rsOk, "text/javascript"},
        {"/*extra/Folder.GIF", u"*extra\\Folder.GIF", rsOk, "image/gif"},
        {"/*extra/tn.gif", u"*extra\\tn.gif", rsOk, "image/gif"},
        {"/*extra/transparent.gif", u"*extra\\transparent.gif", rsOk, "image/gif"},
        {"/*extra/color.gif?c=FF0000", u"*extra\\color.gif", rsOk, "image/gif"},
        {"/*extra/nothing.txt", u"*extra\\nothing.txt", rsNotFound, ""},
        {"/*extra/", u"*extra\\", rsNotFound, ""},
        {"/*extra", u"*extra", rsNotFound, ""},
        {"/*extras/dir.css", u"*extras\\dir.css", rsNotFound, ""},
        {"/*foo/x", u"*foo\\x", rsNotFound, ""},
        {"/*chat/", u"*chat\\", rsNotFound, ""},  // no chat installed
        {"/*cam/x", u"*cam\\x", rsNotFound, ""},
        {"/plain", u"plain", rsBadRequest, ""},
    };
    for (const auto& c : cases) {
        Conn t(c.target);
        RouteVirtualPath(t.conn, c.path);
        EXPECT_EQ(t.conn.Status, c.status) << c.target;
        EXPECT_EQ(t.conn.ContentType, c.contentType) << c.target;
        EXPECT_EQ(t.conn.NoCache, c.path == u"*extra\\online.txt") << c.target;
    }
}

TEST(Router, ExtrasAnswerWithTheirBodies) {
    const auto body = [](const std::string& target, const std::u16string& path) {
        Conn t(target);
        ServeExtra(t.conn, path);
        return t.conn.ResponseBody;
    };
    EXPECT_EQ(body("/*extra/online.txt", u"*extra\\online.txt"), "1");
    EXPECT_EQ(body("/*extra/tn.gif", u"*extra\\tn.gif").size(), kTnGifBytes);
    EXPECT_EQ(body("/*extra/transparent.gif", u"*extra\\transparent.gif").size(), kBuiltinGifBytes);
    const std::string red = body("/*extra/color.gif?c=FF0000", u"*extra\\color.gif");
    EXPECT_NE(red.find("\xFF\x00\x00"s), std::string::npos);
    const std::string blank = body("/*extra/transparent.gif", u"*extra\\transparent.gif");
    EXPECT_EQ(body("/*extra/color.gif?c=FF00", u"*extra\\color.gif"), blank);
    EXPECT_EQ(body("/*extra/color.gif?c=GG0000", u"*extra\\color.gif"), blank);
    // The test program has no templates beside it: the icon falls back to the blank image.
    EXPECT_EQ(body("/*extra/folder.gif", u"*extra\\folder.gif").substr(0, 6), "GIF89a");
}

std::u16string handedPath;
void RecordingHandler(THttpServerThread& conn, const std::u16string& path) {
    handedPath = path;
    conn.Status = rsOk;
}

TEST(Router, ChatAndWebcamGetTheWholePath) {
    ChatHandler = CamHandler = RecordingHandler;
    for (const std::u16string path : {u"room\\*CHAT\\frame.html", u"*cam\\live.jpg"}) {
        Conn t("/x");
        handedPath.clear();
        RouteVirtualPath(t.conn, path);
        EXPECT_EQ(t.conn.Status, rsOk);
        EXPECT_EQ(handedPath, path);
    }
    ChatHandler = CamHandler = nullptr;
}

TEST(Router, TemplatesComeFromSystemBeforeSystemTemplates) {
    test::TempDir dir;
    TProgramPaths paths;
    paths.ProgramFolder = dir.Path() + "bin/";
    dir.MakeDir("bin");
    EXPECT_EQ(LoadTemplate("dir.css", ProgramFileFolders(paths)), "");
    dir.Write("share/palvex/System/Templates/dir.css", "shared");
    EXPECT_EQ(LoadTemplate("dir.css", ProgramFileFolders(paths)), "shared");
    dir.Write("bin/System/Templates/dir.css", "templates");
    EXPECT_EQ(LoadTemplate("dir.css", ProgramFileFolders(paths)), "templates");
    dir.Write("bin/System/dir.css", "");
    EXPECT_EQ(LoadTemplate("dir.css", ProgramFileFolders(paths)), "templates");
    dir.Write("bin/System/dir.css", "own");
    EXPECT_EQ(LoadTemplate("dir.css", ProgramFileFolders(paths)), "own");
}

TEST(Router, TemplatesThatCannotBeReadForLackOfDescriptorsAreNotServedEmpty) {
    test::TempDir dir;
    dir.Write("System/dir.css", "css");
    dir.Write("System/folder.gif", "GIF89a-icon");
    SetTemplateFolders({dir.Path()});
    const auto serve = [](const std::u16string& name) {
        Conn t("/*extra/x");
        ServeExtra(t.conn, u"*extra\\" + name);
        return std::make_pair(t.conn.Status, t.conn.ResponseBody);
    };
    {
        test::NoFreeDescriptors exhausted;
        for (const char16_t* name : {u"dir.css", u"folder.gif"})
            EXPECT_EQ(serve(name), std::make_pair(uint8_t{rsOverload}, ""s)) << WideToUtf8(name);
        // A template that is not there is still no fault.
        EXPECT_EQ(serve(u"dir.js"), std::make_pair(uint8_t{rsOk}, ""s));
    }
    EXPECT_EQ(serve(u"dir.css"), std::make_pair(uint8_t{rsOk}, "css"s));
    SetTemplateFolders({});
}

// The shipped templates: what the listing page relies on is there, and the
// icon is a GIF that decodes.
TEST(Router, ShippedTemplatesFitTheListingPage) {
    TProgramPaths paths;
    paths.ProgramFolder = PALVEX_SOURCE_DATA;
    const std::string css = LoadTemplate("dir.css", ProgramFileFolders(paths));
    for (const char* name : {".ContentDiv", ".PageTitle", ".Description", ".Navigation", ".SizeCol",
                             ".FileCol", ".TnCol", "#FileTable", "TnImg"})
        EXPECT_NE(css.find(name), std::string::npos) << name;
    const std::string js = LoadTemplate("dir.js", ProgramFileFolders(paths));
    for (const char* name :
         {"function Init(", "function ShowTn(img)", "function ShowAllThumbnails(", "\"TnImg\"",
          "getAttribute(\"url\")", "\"?tn=\""})
        EXPECT_NE(js.find(name), std::string::npos) << name;

    const std::string icon = paths.ProgramFolder + "System/Templates/folder.gif";
    int error = 0;
    GifFileType* gif = DGifOpenFileName(icon.c_str(), &error);
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, 1);
    EXPECT_EQ(gif->SWidth, 16);
    EXPECT_EQ(gif->SHeight, 16);
    DGifCloseFile(gif, &error);
}

}  // namespace
}  // namespace palvex
