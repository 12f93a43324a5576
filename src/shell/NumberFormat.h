#pragma once
// Decimal numbers formatted with the picture patterns the program shows its
// read-outs with ("##0.#0V", "###.#0'C", "0.00%", "###0.##0", "#000.####0MHz").
#include <string>

// The pattern's first run of '#', '0' and '.' is the number; every other
// character is literal text kept in its place. Before the point a '0' forces
// a digit from its position on (the integer part is never cut); after it the
// pattern's length gives the decimals shown and its last '0' the decimals
// always shown (a '#' drops a trailing zero). A '%' in the pattern multiplies
// the value by 100. The last shown decimal is rounded half away from zero on
// the value's 15-significant-digit decimal form, so 2.675 gives 2.68.
// Negative values get a leading minus, except when the shown number is zero.
std::string FormatNumber(double v, const std::string& pattern);
