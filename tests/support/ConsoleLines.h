#pragma once
// Where the ZT-N7's items stand on the console, for tests that select a line
// and step or Enter it (the order of the model's item table).
namespace testsupport {

constexpr int kLinePowerHi = 1;
constexpr int kLineBalance = 4;
constexpr int kLineSql = 8;
constexpr int kLineBpfAll = 9;
constexpr int kLineBpfT1 = 10;
constexpr int kLineBpfT2 = 11;
constexpr int kLineTxf = 14;
constexpr int kLineSMeter = 15;

}  // namespace testsupport
