#pragma once
// The Index setting names the document served for a folder. It is joined to
// the folder's path, so only a plain file name may pass.

#include <string>
#include <string_view>

namespace palvex {

// The index document name to use for a configured value: the value itself
// when it is a plain file name, "index.html" when it is empty or when it holds
// "/", "\", ".." or a control character (then unsafe is set, so the caller can
// warn).
std::string SafeIndexName(std::string_view configured, bool* unsafe = nullptr);

}  // namespace palvex
