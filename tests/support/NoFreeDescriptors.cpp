#include "support/NoFreeDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace palvex::test {

namespace {
constexpr rlim_t kLoweredLimit = 256;
}

NoFreeDescriptors::NoFreeDescriptors() {
    getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = std::min(saved_.rlim_cur, kLoweredLimit);
    setrlimit(RLIMIT_NOFILE, &lowered);
    taken_.reserve(kLoweredLimit);
    for (;;) {
        const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) break;
        taken_.push_back(fd);
    }
}

NoFreeDescriptors::~NoFreeDescriptors() {
    for (int fd : taken_)
        close(fd);
    setrlimit(RLIMIT_NOFILE, &saved_);
}

}  // namespace palvex::test
