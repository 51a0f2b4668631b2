// The port promises never to throw: every public entry runs its body through NoThrow, so an
// exception from a library or an allocation failure becomes the entry's failure value.
#pragma once

namespace vorla {

template <typename Result, typename Body>
Result NoThrow(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

}  // namespace vorla
