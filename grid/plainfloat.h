#pragma once
// The plain decimal conversion the grid's number rules share: an optional
// sign, digits, one point and an optional exponent, and nothing else.
#include <string_view>

// False, with value 0, for any other text.
bool PlainToFloat(std::string_view text, double& value);
