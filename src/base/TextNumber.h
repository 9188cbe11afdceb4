// Whole numbers typed into dialog fields.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// The whole text is one decimal number, blanks around it and a sign allowed; anything else
// ("300x", "1e3", "") is no number. Values beyond 32 bits stop at ±INT32_MAX, so a range
// check after it still refuses them.
std::optional<int32_t> ParseWholeNumber(std::string_view text);
