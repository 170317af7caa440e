#include "sound/held_loops.h"

#include <algorithm>

namespace quintora {

void HeldLoops::release() {
    if (!holding_) return;
    holding_ = false;
    for (const std::int32_t buffer : held_) library_.dsPlayLooping(buffer);
    held_.clear();
}

void HeldLoops::dsPlayLooping(std::int32_t buffer) {
    if (!holding_) {
        library_.dsPlayLooping(buffer);
    } else if (buffer != 0 && std::find(held_.begin(), held_.end(), buffer) == held_.end()) {
        held_.push_back(buffer);
    }
}

void HeldLoops::forget(std::int32_t buffer) { held_.erase(std::remove(held_.begin(), held_.end(), buffer), held_.end()); }

void HeldLoops::dsStop(std::int32_t buffer) {
    forget(buffer);
    library_.dsStop(buffer);
}

void HeldLoops::dsFree(std::int32_t buffer) {
    forget(buffer);
    library_.dsFree(buffer);
}

}  // namespace quintora
