#include "shell/logic/FileInfoTemplate.h"

#include "common/TextConv.h"
#include "config/PathOps.h"
#include "config/TextFile.h"
#include "webapps/FileInfoXml.h"

namespace palvex {

namespace {

constexpr std::u16string_view kHead =
    u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Folder>\r\n\t<path>";
constexpr std::u16string_view kTail =
    u"</path>\r\n\t<title></title>\r\n\t<description></description>\r\n</Folder>\r\n";

std::string Utf16LittleEndian(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

}  // namespace

std::string FileInfoTemplateBytes(std::u16string_view folder) {
    return Utf16LittleEndian(std::u16string(kHead) + XmlEscape(folder) + std::u16string(kTail));
}

bool CreateFileInfoIfMissing(const std::string& path) {
    if (FileExists(path)) return true;
    return WriteFileReplacing(path, FileInfoTemplateBytes(Utf8ToWide(FolderOf(path))));
}

}  // namespace palvex
