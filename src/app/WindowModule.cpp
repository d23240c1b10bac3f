#include "app/WindowModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace palvex {

namespace {

// The folder of the running executable (not of ActAsOriginExe: the module
// belongs to the binary that runs).
std::string ExecutableFolder() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    const std::string exe(path, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : exe.substr(0, slash);
}

}  // namespace

std::vector<std::string> WindowModuleCandidates(const std::string& executableFolder) {
    return {executableFolder + "/" + kWindowModuleName,
            executableFolder + "/../lib/palvex/" + kWindowModuleName};
}

TWindowEntry LoadWindowEntry(const std::vector<std::string>& candidates, std::string& why) {
    why = "no " + std::string(kWindowModuleName);
    for (const std::string& path : candidates) {
        if (access(path.c_str(), F_OK) != 0) continue;
        // Every symbol now: a module that does not fit this executable is
        // refused here, not halfway through the window.
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* error = dlerror();
            why = error ? error : path;
            return nullptr;
        }
        if (void* entry = dlsym(module, kWindowEntryName))
            return reinterpret_cast<TWindowEntry>(entry);
        why = path + ": no " + kWindowEntryName;
        dlclose(module);
        return nullptr;
    }
    return nullptr;
}

bool RunWindowModule(int& argc, char** argv, int& exitCode, std::string& why) {
    const TWindowEntry entry = LoadWindowEntry(WindowModuleCandidates(ExecutableFolder()), why);
    if (!entry) return false;
    exitCode = entry(&argc, argv);
    return true;
}

}  // namespace palvex
