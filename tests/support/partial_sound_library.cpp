// A sound library that lacks most entry points, to see that the game
// refuses to use half a library and runs silently instead.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int32_t dsInitialize(std::int32_t) { return 1; }
extern "C" __attribute__((visibility("default"))) std::int32_t dsPlay(std::int32_t) { return 0; }
