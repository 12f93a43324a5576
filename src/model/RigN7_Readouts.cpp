// Measurement read-outs: one A/D request per line, its answer checked,
// converted and written into the [A/D] or [D/A] list of the main window.
// A line is rewritten only when its raw value changed since it was last shown.
#include "model/RigN7_Readouts.h"

#include "model/clsIndOp_RigN7.h"
#include "shell/Common.h"

bool clsIndOp_RigN7::ReadAdLine(std::int16_t line, bool first) { return ReadReadoutLine(0, line, first); }

bool clsIndOp_RigN7::ReadDaLine(std::int16_t line, bool first) { return ReadReadoutLine(1, line, first); }

bool clsIndOp_RigN7::ReadReadoutLine(std::size_t list, std::int16_t line, bool first) {
    const auto i = static_cast<std::size_t>(line);
    const rign7::ReadoutLineDef& def = list == 0 ? rign7::kAdLines.at(i) : rign7::kDaLines.at(i);
    const std::int16_t chCode = list == 0 ? adChCode.at(i) : daChCode.at(i);
    std::int16_t& last = list == 0 ? adLast.at(i) : daLast.at(i);

    if (first) {
        link_.easySendE8ReqAnswer(ByteToHexStr(rign7e8::kReadAd) + ByteToAsciiHexStr(chCode));
        return false;
    }
    if (link_.OpRunning()) return false;

    // The driver clears the answer when the request starts; a request that
    // timed out leaves nothing usable (at most the echo of our own frame).
    const ByteStr answer = e8AnswerSource_ ? e8AnswerSource_() : ByteStr{};
    if (CheckE8Answer(answer)) {
        commError = true;
        return true;
    }
    const std::int16_t raw = E8AnswerValue(answer);
    if (raw == last) return true;
    last = raw;
    // Row 0 of each list is its header.
    if (platform::IListBox* box = frmMain_.lbo01.at(list))
        box->setList(line + 1, rign7::FormatReadoutLine(def, raw));
    return true;
}

bool clsIndOp_RigN7::CheckE8Answer(const ByteStr& answer) const {
    return rign7::E8AnswerUnusable(answer, radioIdBytes);
}

std::int16_t clsIndOp_RigN7::E8AnswerValue(const ByteStr& answer) const { return rign7::E8AnswerRaw(answer); }
