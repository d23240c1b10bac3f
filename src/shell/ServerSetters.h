#pragma once
// Changes to the running server the window makes (GUI thread, inside
// HookLock: the settings and the server change together).

#include <string>

namespace palvex {

void SetServerRoot(const std::u16string& root);
void SetListingEnabled(bool enabled);

}  // namespace palvex
