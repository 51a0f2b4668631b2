#include "imaging/ThreadPolicy.h"

#include <unistd.h>

#include <cstdlib>

namespace vorla {

void UsePassiveThreadWait(char** argv) {
    if (std::getenv("OMP_WAIT_POLICY") != nullptr) return;
    if (setenv("OMP_WAIT_POLICY", "passive", 1) != 0) return;
    // The environment variable also tells the new start not to do this again.
    execv("/proc/self/exe", argv);
}

}  // namespace vorla
