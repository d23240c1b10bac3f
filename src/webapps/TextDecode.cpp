#include "webapps/TextDecode.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <new>
#include <thread>

#include "common/FileIo.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

// A charset candidate is at most this long before it is cut.
constexpr size_t kCharsetCandidateLength = 16;
// Fewer significant bytes than this cannot hold a declaration.
constexpr size_t kCharsetMinBytes = 10;
// Digits of a code page number beyond this value are not accumulated.
constexpr int kCodePageNumberCap = 100000;
// ISO-8859 parts that exist at all (1..16).
constexpr int kIsoPartCount = 16;
// Output buffer of one converter call.
constexpr size_t kIconvChunkBytes = 4096;
// Pause before a failed file is removed (lets a virus scanner or indexer let go).
constexpr auto kFailedWriteDeleteDelay = std::chrono::milliseconds(100);

// Code pages whose converter name is not simply "CP" + number.
struct TNamedCodePage {
    int codePage;
    const char* name;
};
constexpr TNamedCodePage kNamedCodePages[] = {
    {kCodePageUtf7, "UTF-7"}, {20127, "ASCII"},     {20866, "KOI8-R"}, {21866, "KOI8-U"},
    {20932, "EUC-JP"},        {51932, "EUC-JP"},    {51949, "EUC-KR"}, {54936, "GB18030"},
    {50220, "ISO-2022-JP"},   {10000, "MACINTOSH"},
};
// Numbers below this are Windows/IBM code pages that the converter knows as "CPn".
constexpr int kPlainCodePageLimit = 10000;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

unsigned Byte(std::string_view bytes, size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

// UTF-16 units, unpaired surrogates kept as they are; a trailing odd byte is ignored.
std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned lo = Byte(bytes, i + (bigEndian ? 1 : 0));
        const unsigned hi = Byte(bytes, i + (bigEndian ? 0 : 1));
        out += static_cast<char16_t>(lo | (hi << 8));
    }
    return out;
}

// UTF-32 code points; invalid ones become U+FFFD, 1 to 3 trailing bytes are ignored.
std::u16string DecodeUtf32(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 4);
    for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
        char32_t cp = 0;
        for (size_t k = 0; k < 4; ++k) {
            const size_t at = bigEndian ? i + k : i + 3 - k;
            cp = (cp << 8) | Byte(bytes, at);
        }
        AppendUtf16(out, cp);
    }
    return out;
}

// The converter's name for a code page, or empty when there is none.
std::string IconvNameOf(int codePage) {
    for (const auto& named : kNamedCodePages)
        if (named.codePage == codePage) return named.name;
    const int isoPart = codePage - kCodePageIsoBase;
    if (isoPart >= 1 && isoPart <= kIsoPartCount) return "ISO-8859-" + std::to_string(isoPart);
    if (codePage > 0 && codePage < kPlainCodePageLimit) return "CP" + std::to_string(codePage);
    return {};
}

// Appends converter output (UTF-16LE bytes, whole units only).
void AppendLittleEndianUnits(std::u16string& out, const char* data, size_t count) {
    out += DecodeUtf16(std::string_view(data, count), false);
}

// Closes a converter handle when it goes out of scope.
class TIconv {
  public:
    explicit TIconv(const char* from) : handle_(iconv_open("UTF-16LE", from)) {}
    ~TIconv() {
        if (valid()) iconv_close(handle_);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

  private:
    iconv_t handle_;
};

// Runs bytes through an open converter; an undecodable byte becomes U+FFFD and
// is skipped, a truncated last sequence becomes one U+FFFD.
std::u16string ConvertWith(iconv_t cd, std::string_view bytes) {
    std::u16string out;
    char buffer[kIconvChunkBytes];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &o, &oLeft);
        const int error = errno;
        AppendLittleEndianUnits(out, buffer, static_cast<size_t>(o - buffer));
        if (result != static_cast<size_t>(-1) || error == E2BIG) continue;
        out += kReplacementChar;
        if (error != EILSEQ) break;  // EINVAL: the input ends inside a sequence
        ++in, --inLeft;
    }
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    if (iconv(cd, nullptr, nullptr, &o, &oLeft) != static_cast<size_t>(-1))
        AppendLittleEndianUnits(out, buffer, static_cast<size_t>(o - buffer));
    return out;
}

// Reads the decimal digits at the start of text; stops growing at a cap.
int LeadingNumber(std::string_view text) {
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        if (value < kCodePageNumberCap) value = value * 10 + (c - '0');
    }
    return value;
}

// Blank- and control-free, ASCII-upper-cased copy of the first bytes.
std::string SignificantBytes(std::string_view bytes) {
    std::string out;
    for (const char c : bytes.substr(0, kCharsetScanBytes))
        if (static_cast<unsigned char>(c) >= '!') out += c;
    return AsciiUpper(out);
}

bool IsCharsetChar(char c) {
    return c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

// Where a "CHARSET=" or (when none is left) "ENCODING=\"" marker ends, or npos.
size_t NextCharsetMarkerEnd(std::string_view text, size_t from) {
    static constexpr std::string_view kCharset = "CHARSET=";
    static constexpr std::string_view kEncoding = "ENCODING=\"";
    size_t at = text.find(kCharset, from);
    if (at != std::string_view::npos) return at + kCharset.size();
    at = text.find(kEncoding, from);
    if (at != std::string_view::npos) return at + kEncoding.size();
    return std::string_view::npos;
}

// Converts a wide path for the file system; false for paths that cannot name a file.
bool ToFsPath(std::u16string_view path, std::string& out) {
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return false;
    out = WideToUtf8(path);
    return true;
}

// The file's content: UTF-16LE with a leading byte-order mark.
std::string Utf16FileBytes(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2 + 2);
    if (text.empty() || text.front() != kByteOrderMark) out += "\xFF\xFE";
    for (const char16_t unit : text) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

// Opens path with the given creation flags and writes text; see WriteUtf16File.
bool WriteUtf16With(std::u16string_view path, std::u16string_view text, int createFlags) {
    std::string fsPath;
    if (!ToFsPath(path, fsPath)) return false;
    const int fd = open(fsPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | createFlags, 0666);
    if (fd < 0) return false;
    if (text.empty()) return close(fd) == 0;
    struct stat info {};
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    bool ok = WriteAll(fd, Utf16FileBytes(text));
    ok = close(fd) == 0 && ok;
    if (ok) return true;
    // Only a regular file is ours to remove; a device or pipe is left alone.
    std::this_thread::sleep_for(kFailedWriteDeleteDelay);
    if (regular) unlink(fsPath.c_str());
    return false;
}

}  // namespace

TBomKind DetectBom(std::string_view bytes, size_t& bomLength) {
    struct TMark {
        std::string_view bytes;
        TBomKind kind;
    };
    static constexpr TMark kMarks[] = {
        {std::string_view("\xFF\xFE\x00\x00", 4), TBomKind::Utf32LE},
        {std::string_view("\x00\x00\xFE\xFF", 4), TBomKind::Utf32BE},
        {"\xEF\xBB\xBF", TBomKind::Utf8},
        {"\xFF\xFE", TBomKind::Utf16LE},
        {"\xFE\xFF", TBomKind::Utf16BE},
    };
    bomLength = 0;
    if (bytes.size() < 2) return TBomKind::None;
    for (const auto& mark : kMarks) {
        if (!StartsWith(bytes, mark.bytes)) continue;
        bomLength = mark.bytes.size();
        return mark.kind;
    }
    return TBomKind::None;
}

std::u16string BomDecode(std::string_view bytes) {
    size_t bomLength = 0;
    const TBomKind kind = DetectBom(bytes, bomLength);
    const std::string_view body = bytes.substr(bomLength);
    switch (kind) {
        case TBomKind::Utf8:
            return Utf8ToWide(bytes);  // the mark stays, as U+FEFF
        case TBomKind::Utf16BE:
            return DecodeUtf16(body, true);
        case TBomKind::Utf32LE:
            return DecodeUtf32(body, false);
        case TBomKind::Utf32BE:
            return DecodeUtf32(body, true);
        case TBomKind::Utf16LE:
        case TBomKind::None:
            break;
    }
    return DecodeUtf16(body, false);
}

std::string FindCharsetName(std::string_view bytes) {
    const std::string text = SignificantBytes(bytes);
    if (text.size() < kCharsetMinBytes) return {};
    size_t from = 0;
    while ((from = NextCharsetMarkerEnd(text, from)) != std::string_view::npos) {
        std::string_view candidate = std::string_view(text).substr(from, kCharsetCandidateLength);
        size_t length = 0;
        while (length < candidate.size() && IsCharsetChar(candidate[length]))
            ++length;
        candidate = candidate.substr(0, length);
        if (StartsWith(candidate, "ISO-") || StartsWith(candidate, "WINDOWS-") ||
            StartsWith(candidate, "UTF-"))
            return std::string(candidate);
    }
    return {};
}

int CharsetToCodePage(std::string_view name) {
    const std::string upper = AsciiUpper(TrimBlanks(name));
    const std::string_view text = upper;
    static constexpr std::string_view kIso = "ISO-8859-";
    static constexpr std::string_view kWindows = "WINDOWS-";
    if (StartsWith(text, kIso)) return kCodePageIsoBase + LeadingNumber(text.substr(kIso.size()));
    if (StartsWith(text, kWindows)) return LeadingNumber(text.substr(kWindows.size()));
    if (text == "UTF-7") return kCodePageUtf7;
    if (text == "UTF-8") return kCodePageUtf8;
    if (text == "UTF-16" || text == "UTF-16LE") return kCodePageUtf16LE;
    if (text == "UTF-16BE") return kCodePageUtf16BE;
    return kCodePageAnsi;
}

std::u16string BytesToText(std::string_view bytes) {
    size_t bomLength = 0;
    if (DetectBom(bytes, bomLength) != TBomKind::None) return BomDecode(bytes);
    return CodePageToWide(bytes, CharsetToCodePage(FindCharsetName(bytes)));
}

std::u16string CodePageToWide(std::string_view bytes, int codePage) {
    switch (codePage) {
        case kCodePageAnsi:
            return AnsiToWide(bytes);
        case kCodePageUtf8:
            return Utf8ToWide(bytes);
        case kCodePageUtf16LE:
            return DecodeUtf16(bytes, false);
        case kCodePageUtf16BE:
            return DecodeUtf16(bytes, true);
        case kCodePageUtf32LE:
            return DecodeUtf32(bytes, false);
        case kCodePageUtf32BE:
            return DecodeUtf32(bytes, true);
        default:
            break;
    }
    const std::string name = IconvNameOf(codePage);
    if (name.empty()) return {};
    const TIconv converter(name.c_str());
    if (!converter.valid()) return {};
    return ConvertWith(converter.get(), bytes);
}

bool WriteUtf16File(std::u16string_view path, std::u16string_view text) {
    return WriteUtf16With(path, text, O_TRUNC);
}

bool CreateUtf16File(std::u16string_view path, std::u16string_view text) {
    return WriteUtf16With(path, text, O_EXCL);
}

}  // namespace palvex
