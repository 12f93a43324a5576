#pragma once
// What the window's charts and the service report draw, as numbers: each
// band-pass filter's measured level against its setting as the answers
// arrived, with the plateau of highest level and the setting the sweep
// settled on; the transmit-frequency compensation setting at the 21
// temperature borders as read and as now, with the present temperature;
// and which guided procedures stored their results in this connection.
// The drawing code only scales and paints these; tests check them.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/TxfTable.h"
#include "shell/Types.h"

namespace charts {

inline constexpr int kFilters = 4;  // "    BPF T1" .. "    BPF T4"

struct SweepPoint {
    std::int16_t setting = 0;
    std::int16_t level = 0;
    bool operator==(const SweepPoint&) const = default;
};

// One filter's sweep: the points in the order the levels were answered.
struct SweepCurve {
    std::vector<SweepPoint> points;
    std::int16_t lvin = 0;          // the LVIN reading taken before the sweep
    std::int16_t bestLevel = -1;    // highest level met
    std::int16_t bestFirst = 0;     // first and last setting of that level
    std::int16_t bestLast = 0;
    bool settled = false;           // the sweep ended and chose a setting
    std::int16_t chosen = 0;        // the setting it chose (middle of the plateau)
    bool operator==(const SweepCurve&) const = default;
};

struct SweepChart {
    std::array<SweepCurve, kFilters> filters;
    int sweeping = -1;                           // filter being swept now, -1 none
    std::array<std::int16_t, kFilters> now{};    // each filter's setting in the image now
};

struct TxfChart {
    std::array<std::int16_t, txf::kBorders> borders{};  // A/D counts of the thermistor line
    std::array<int, txf::kBorders> asRead{};            // setting at each border, image as read
    std::array<int, txf::kBorders> now{};               // the same in the image now
    std::optional<std::int16_t> presentTemp;           // last TEMPS reading, when one was made
    bool operator==(const TxfChart&) const = default;
};

// What the guided procedures stored in this connection.
struct ProcedureLog {
    bool txfTable = false;   // the whole compensation table was computed and written
    bool sMeterS3 = false;   // the S3 point was stored
    bool sMeterS1 = false;   // the S1 point was stored
};

// The setting the radio interpolates at each border from the 40 table bytes
// of an image (addresses 216..255): the stored setting at a segment's lower
// border, and for the top border the last segment's setting plus its slope
// over the last segment's width. A short image counts as zeros.
std::array<int, txf::kBorders> TxfSettingsAtBorders(const ByteStr& image, const txf::Borders& borders);

}  // namespace charts
