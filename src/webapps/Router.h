#pragma once
// Virtual paths: any request path with an element that begins with "*". The
// router hands "*chat" and "*cam" to their pages and answers "*extra" itself
// with the listing's style sheet, script and small images, which come from
// template files beside the program or from memory, never from the root.
//
// Set up once at program start:  VirtualRouter = RouteVirtualPath;

#include <string>
#include <string_view>

#include "config/ProgramPaths.h"
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

// Bytes of the template System/<name>, or when that gives none of
// System/Templates/<name>, below the program folder (or its shared data
// folder); empty when neither can be read.
std::string LoadTemplate(std::string_view name);
std::string LoadTemplate(std::string_view name, const TProgramPaths& paths);

}  // namespace palvex
