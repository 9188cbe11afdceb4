// Sizes every part agrees on.
#pragma once
#include <cstddef>

// Paths are ANSI and end in a NUL; a longer one is refused, never cut.
constexpr size_t kPathBytes = 260;
