#pragma once
// Virtual paths: any request path with an element that begins with "*". The
// router hands "*chat" and "*cam" to their pages and answers "*extra" itself
// with the listing's style sheet, script and small images, which come from
// template files beside the program or from memory, never from the root.
//
// Set up once at program start:  VirtualRouter = RouteVirtualPath;
//                                SetTemplateFolders(...);

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "server/StaticFiles.h"

namespace palvex {

// Pages of the web chat and the webcam; each receives the whole virtual path
// and picks its page by the last element. While unset they answer 404.
extern TVirtualRouter ChatHandler;
extern TVirtualRouter CamHandler;

// Answers a virtual path (decoded, relative to the root, backslash form):
// 400 without "*", the chat, webcam or extras below "*chat\", "*cam\" and
// "*extra\" (any case), else 404.
void RouteVirtualPath(THttpServerThread& conn, const std::u16string& path);
// Answers the extra named by the path's last element (any case).
void ServeExtra(THttpServerThread& conn, const std::u16string& path);

// The folders searched for templates, in order (the program folder, its
// shared data folder, ...). Takes HookLock.
void SetTemplateFolders(std::vector<std::string> folders);

// Bytes of the template System/<name>, or when that gives none of
// System/Templates/<name>, from the first of the folders that holds it;
// empty when neither can be read; then shortage, when given, tells whether a
// file could not be read for lack of descriptors or memory. Without folders:
// those set above (call inside HookLock, as request handlers run).
std::string LoadTemplate(std::string_view name, bool* shortage = nullptr);
std::string LoadTemplate(std::string_view name, std::span<const std::string> folders,
                         bool* shortage = nullptr);

}  // namespace palvex
