#include "service/Verify.h"

#include <algorithm>
#include <set>

#include "service/TextColumns.h"

namespace service {

namespace {

using service::PadLeft;
const auto Pad = service::PadRight;

std::string Hex(std::int32_t adr) {
    static const char* digits = "0123456789ABCDEF";
    std::string s = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) s += digits[(adr >> shift) & 0xF];
    return s;
}

std::string Table(const std::vector<VerifyDifference>& rows) {
    std::size_t w = 4;
    for (const VerifyDifference& d : rows) w = std::max(w, d.item.size());
    std::string s = Pad("Item", w) + PadLeft("Address", 9) + PadLeft("Expected", 10) + PadLeft("Found", 8) + "\n";
    for (const VerifyDifference& d : rows)
        s += Pad(d.item, w) + PadLeft(std::to_string(d.adr), 9) + PadLeft(ShownByte(d.expected, d.isSigned), 10) +
             PadLeft(ShownByte(d.found, d.isSigned), 8) + "\n";
    return s;
}

std::string Values(int n) { return std::to_string(n) + (n == 1 ? " value" : " values"); }

}  // namespace

std::string ShownByte(std::uint8_t v, bool isSigned) {
    return std::to_string(isSigned && v >= 128 ? v - 256 : v);
}

VerifyResult CompareVerifyRead(const ByteStr& expected, const ByteStr& found, const std::vector<std::int32_t>& sent,
                               const std::vector<AdjustableByte>& adjustable) {
    VerifyResult r;
    const std::set<std::int32_t> sentSet(sent.begin(), sent.end());
    r.valuesSent = static_cast<int>(sentSet.size());
    const std::size_t size = std::min(expected.size(), found.size());
    for (std::size_t i = 0; i < size; ++i) {
        if (expected[i] == found[i]) continue;
        const auto adr = static_cast<std::int32_t>(i);
        VerifyDifference d;
        d.adr = adr;
        d.expected = expected[i];
        d.found = found[i];
        d.item = Hex(adr);
        for (const AdjustableByte& b : adjustable)
            if (b.adr == adr) {
                d.item = b.name;
                d.isSigned = b.isSigned;
                break;
            }
        (sentSet.count(adr) != 0 ? r.mismatches : r.unsentDiffering).push_back(d);
    }
    return r;
}

std::string VerifyResultText(const VerifyResult& r) {
    std::string s;
    if (r.mismatches.empty()) {
        s = "Verified: the radio holds " + std::string(r.valuesSent == 1 ? "the " : "all ") + Values(r.valuesSent) +
            " sent since " + platform::TimeText(r.since) + ".\n";
    } else {
        const std::string which = r.valuesSent == 1 ? std::string("the value")
                                                    : std::to_string(r.mismatches.size()) + " of the " +
                                                          Values(r.valuesSent);
        s = "Not stored: the radio does not hold " + which + " sent since " + platform::TimeText(r.since) + ".\n\n" +
            Table(r.mismatches);
    }
    if (!r.unsentDiffering.empty())
        s += "\n" + std::to_string(r.unsentDiffering.size()) +
             (r.unsentDiffering.size() == 1 ? " byte differs that was" : " bytes differ that were") +
             " never sent: something else changed the radio.\n\n" + Table(r.unsentDiffering);
    return s;
}

}  // namespace service
