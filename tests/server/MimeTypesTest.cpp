#include "server/MimeTypes.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(MimeTypes, BuiltinTableByExtensionLetters) {
    struct Case {
        std::u16string name;
        std::string type;
    } cases[] = {
        {u"/srv/photo.JPG", "image/jpeg"},  // lower-cased before the look-up
        {u"/srv/a.jpe", "image/jpeg"},
        {u"/srv/a.jp", "application/octet-stream"},  // rule needs a third letter
        {u"index.html", "text/html"},
        {u"page.htmx", "text/html"},
        {u"song.mp3", "audio/x-mpeg"},
        {u"film.mp4", "video/mpeg"},  // the mp rule, not m4
        {u"film.mp", "video/mpeg"},
        {u"film.m4v", "video/mp4"},
        {u"film.m4", "video/mp4"},
        {u"book.m4b", "audio/mp4"},
        {u"report.docx", "application/msword"},
        {u"x.do", "application/octet-stream"},
        {u"sheet.xlsx", "application/msexcel"},
        {u"slides.pptx", "application/mspowerpoint"},
        {u"a.ogv", "application/ogg"},
        {u"a.js", "text/javascript"},
        {u"a.jsx", "application/octet-stream"},  // exact rules do not take longer names
        {u"a.tiff", "image/tiff"},
        {u"a.odp", "application/vnd.oasis.opendocument.presentation"},
        {u"data.json", "application/octet-stream"},
        {u"a.c", "application/octet-stream"},
        {u"file.", "application/octet-stream"},
        {u"README", ""},
        {u"/srv/old.data/readme", ""},  // the dot belongs to the folder
        {u"old.data\\readme", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MimeTypeOf("", c.name), c.type) << std::string(c.name.begin(), c.name.end());
}

TEST(MimeTypes, OverridesComeFirstAndEndAtSemicolon) {
    struct Case {
        std::string overrides;
        std::u16string name;
        std::string type;
    } cases[] = {
        {"mp4=video/mp4;txt=text/plain;charset=utf-8", u"a.mp4", "video/mp4"},
        {"mp4=video/mp4;txt=text/plain;charset=utf-8", u"a.TXT", "text/plain"},
        {"jpg=", u"a.jpg", "image/jpeg"},  // empty entry falls through
        {"log=text/plain", u"app.log", "text/plain"},
        {"xpng=a/b", u"a.png", "image/png"},  // whole keys only
        {"gz=application/gzip", u"archive.tar.gz", "application/gzip"},
        {"tar.gz=application/x-tar", u"archive.tar.gz", "application/octet-stream"},
        {"a=b;;=c", u"x.", "application/octet-stream"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MimeTypeOf(c.overrides, c.name), c.type) << c.overrides;
}

TEST(MimeTypes, OverrideTextIsNormalisedAndLongTypesCut) {
    EXPECT_EQ(NormalizeMimeTypes(" Jpg = image/x-foo ;\tLOG=Text/Plain"),
              "jpg=image/x-foo;log=text/plain");
    const std::string longType(400, 't');
    EXPECT_EQ(MimeTypeOf("bin=" + longType, u"a.bin").size(), kMaxMimeTypeLength);
}

}  // namespace
}  // namespace palvex
