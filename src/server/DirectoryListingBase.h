#pragma once
// The listing generator as the server sees it; the generator itself lives
// with the built-in pages.

#include <string>

namespace palvex {

class THttpServerThread;

class TDirectoryListing_Base {
  public:
    virtual ~TDirectoryListing_Base() = default;
    // Builds the page for a folder below the root; the base answers false and
    // changes nothing.
    virtual bool ListDirectory(THttpServerThread& /*conn*/, const std::u16string& /*rootFolder*/,
                               const std::u16string& /*relativePath*/, bool /*slashed*/) {
        return false;
    }

    std::string Title;
    std::string Info;
    std::string Background;
};

}  // namespace palvex
