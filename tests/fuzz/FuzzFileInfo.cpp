// libFuzzer target: description files: text decoding and the XML reader.

#include <cstdint>
#include <string_view>

#include "webapps/FileInfoXml.h"
#include "webapps/TextDecode.h"

using namespace palvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::u16string text = BytesToText(input);
    TMorviXmlFile document;
    document.LoadFromText(text);
    ReadFolderInfo(document);
    XmlUnescape(XmlEscape(text));
    std::u16string decoded;
    DecodeNumericRefs(text, decoded);
    return 0;
}
