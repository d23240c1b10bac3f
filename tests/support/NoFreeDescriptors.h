#pragma once
// Takes every free file descriptor for its lifetime (below a lowered limit,
// so that this is quick whatever the system allows), so that opening a file
// fails with EMFILE as in a process that ran out of descriptors.

#include <sys/resource.h>

#include <vector>

namespace palvex::test {

class NoFreeDescriptors {
  public:
    NoFreeDescriptors();
    ~NoFreeDescriptors();
    NoFreeDescriptors(const NoFreeDescriptors&) = delete;
    NoFreeDescriptors& operator=(const NoFreeDescriptors&) = delete;

  private:
    rlimit saved_{};
    std::vector<int> taken_;
};

}  // namespace palvex::test
