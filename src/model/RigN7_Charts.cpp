// The charts' data: the band-pass sweep's curves as its levels arrive, and
// the compensation table's settings at the temperature borders.
#include "model/ChartData.h"
#include "model/clsIndOp_RigN7.h"

namespace charts {

std::array<int, txf::kBorders> TxfSettingsAtBorders(const ByteStr& image, const txf::Borders& borders) {
    const auto byteAt = [&image](std::int32_t adr) -> int {
        return adr >= 0 && static_cast<std::size_t>(adr) < image.size() ? image[static_cast<std::size_t>(adr)] : 0;
    };
    std::array<int, txf::kBorders> out{};
    for (int k = 0; k < txf::kSegments; ++k) out[static_cast<std::size_t>(k)] = byteAt(rign7ee::kTxfPoint0 + 2 * k + 1);
    // The top border: where the radio's interpolation of the last segment ends.
    constexpr int last = txf::kSegments - 1;
    const int slope = static_cast<std::int8_t>(static_cast<std::uint8_t>(byteAt(rign7ee::kTxfPoint0 + 2 * last)));
    const int width = borders[txf::kSegments] - borders[last];
    const double top = out[last] + static_cast<double>(width) * slope / 32.0;
    out[txf::kSegments] = static_cast<int>(txf::Int(top + 0.5));
    return out;
}

}  // namespace charts

charts::SweepChart clsIndOp_RigN7::RigOpFunc_SweepChart() const {
    charts::SweepChart out = sweepChart_;
    for (int i = 0; i < charts::kFilters; ++i)
        out.now[static_cast<std::size_t>(i)] =
            static_cast<std::int8_t>(static_cast<std::uint8_t>(radio_.eepImage().ReadByte(rign7ee::kBpfT1 + i)));
    return out;
}

charts::TxfChart clsIndOp_RigN7::RigOpFunc_TxfChart() const {
    charts::TxfChart out;
    for (int i = 0; i < txf::kBorders; ++i) out.borders[static_cast<std::size_t>(i)] = txfTempBorder[static_cast<std::size_t>(i)];
    out.asRead = charts::TxfSettingsAtBorders(imageAsRead, txfTempBorder);
    out.now = charts::TxfSettingsAtBorders(radio_.eepImage().bytes(), txfTempBorder);
    // The TEMPS line holds -1 until its first reading of the connection.
    if (adLast[1] >= 0) out.presentTemp = adLast[1];
    return out;
}

void clsIndOp_RigN7::SweepChartReset(std::int16_t filter) {
    sweepChart_.filters.at(static_cast<std::size_t>(filter)) = {};
    ++sweepRevision_;
}

void clsIndOp_RigN7::SweepChartStart(std::int16_t filter) {
    sweepChart_.sweeping = filter;
    if (filter >= 0) sweepChart_.filters.at(static_cast<std::size_t>(filter)).lvin = bpfLvin;
    ++sweepRevision_;
}

void clsIndOp_RigN7::SweepChartPoint(std::int16_t setting, std::int16_t level) {
    charts::SweepCurve& c = sweepChart_.filters.at(static_cast<std::size_t>(bpfCur));
    c.points.push_back({setting, level});
    c.bestLevel = bpfBestLevel;
    c.bestFirst = bpfBestFirst;
    c.bestLast = bpfBestLast;
    ++sweepRevision_;
}

void clsIndOp_RigN7::SweepChartSettled(std::int16_t chosen) {
    charts::SweepCurve& c = sweepChart_.filters.at(static_cast<std::size_t>(bpfCur));
    c.settled = true;
    c.chosen = chosen;
    sweepChart_.sweeping = -1;
    ++sweepRevision_;
}
