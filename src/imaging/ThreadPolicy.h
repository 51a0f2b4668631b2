// The imaging libraries (ImageMagick, libimagequant) run their loops on OpenMP threads. Between
// two loops those threads spin by default, each burning a core for a while: in a desktop program
// that mostly waits for the user, and on a machine with two cores, the spinning takes the time
// the next loop or the interface needs. The OpenMP runtime reads its wait policy only when it is
// loaded, before main, so the policy is set in the environment and the program started again.
#pragma once

namespace vorla {

// Call first in main. Without OMP_WAIT_POLICY in the environment, sets it to "passive" and
// replaces the process with a fresh start of the same executable and arguments; returns only when
// the policy was already set (also by the user) or the new start failed (the program then runs
// with the runtime's default, as before).
void UsePassiveThreadWait(char** argv);

}  // namespace vorla
