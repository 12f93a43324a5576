#include "link/Xfr3Frame.h"

#include <stdexcept>

#include "shell/Common.h"

namespace xfr3 {
namespace {

int HexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Value of the digit pair at body[i], body[i+1]; -1 when not two hex digits.
int Pair(const ByteStr& body, std::size_t i) {
    if (i + 1 >= body.size()) return -1;
    int hi = HexDigit(body[i]);
    int lo = HexDigit(body[i + 1]);
    if (hi < 0 || lo < 0) return -1;
    return hi * 16 + lo;
}

bool AddressedToProgram(const ByteStr& body) {
    return body.size() >= 3 && body[0] == kAdrProgram && body[1] == kAdrRadio;
}

} // namespace

ByteStr BuildFrame(const ByteStr& data) {
    ByteStr f;
    f.reserve(data.size() + 5);
    f.push_back(kPreamble);
    f.push_back(kPreamble);
    f.push_back(kAdrRadio);
    f.push_back(kAdrProgram);
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(kEnd);
    return f;
}

bool CodesIllegal(const ByteStr& body, std::size_t minLen) {
    if (body.size() < minLen || body.size() < 7) return true;
    // The model codes are binary-coded decimal: their hex text is decimal digits.
    const std::string codes = ByteStrToHexStr(ByteStr(body.begin() + 3, body.begin() + 7));
    for (char c : codes) {
        if (c < '0' || c > '9') return true;
    }
    return false;
}

bool CloneRecordIllegal(const ByteStr& body) {
    const std::size_t len = body.size();
    if (len % 2 == 0 || len < 13) return true;
    unsigned sum = 0;
    for (std::size_t i = 3; i + 1 < len; i += 2) {
        int v = Pair(body, i);
        if (v < 0) return true;
        sum += static_cast<unsigned>(v);
    }
    if (sum % 256 != 0) return true;
    return static_cast<std::size_t>(Pair(body, 7)) != (len - 11) / 2;
}

bool SignatureIllegal(const ByteStr& body) {
    if (body.size() < 3) return true;
    return ByteStrToHexStr(ByteStr(body.begin() + 3, body.end())) != kSignatureHex;
}

bool CheckFrame(const ByteStr& body, std::int16_t e8SubCmd) {
    if (!AddressedToProgram(body)) return true;
    switch (body[2]) {
    case kCmdIdentityAnswer:
        return CodesIllegal(body, 7);
    case kCmdAdjust:
        return CodesIllegal(body, 8) || static_cast<std::int16_t>(body[7]) != e8SubCmd;
    case kCmdCloneRecord:
        return CloneRecordIllegal(body);
    case kCmdCloneEnd:
        return SignatureIllegal(body);
    default:
        return false;
    }
}

CloneRecord ParseCloneRecord(const ByteStr& body) {
    CloneRecord r;
    if (body.size() < 9) return r;
    r.address = AsciiHexToInt(ByteStr(body.begin() + 3, body.begin() + 7));
    const int n = Pair(body, 7);
    for (int k = 0; k < n; ++k) {
        const int v = Pair(body, 9 + 2 * static_cast<std::size_t>(k));
        if (v < 0) break;
        r.data.push_back(static_cast<std::uint8_t>(v));
    }
    return r;
}

std::uint8_t CloneChecksum(std::int32_t address, const ByteStr& data) {
    unsigned sum = static_cast<unsigned>((address >> 8) & 0xFF) + static_cast<unsigned>(address & 0xFF) +
                   static_cast<unsigned>(data.size() & 0xFF);
    for (auto b : data) sum += b;
    return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

ByteStr CloneRecordData(std::int32_t address, const ByteStr& data) {
    ByteStr rec;
    rec.reserve(data.size() + 4);
    rec.push_back(static_cast<std::uint8_t>((address >> 8) & 0xFF));
    rec.push_back(static_cast<std::uint8_t>(address & 0xFF));
    rec.push_back(static_cast<std::uint8_t>(data.size() & 0xFF));
    rec.insert(rec.end(), data.begin(), data.end());
    rec.push_back(CloneChecksum(address, data));
    ByteStr out{kCmdCloneRecord};
    const ByteStr text = StrToByteStr(ByteStrToHexStr(rec));
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

ByteStr SignatureData() {
    ByteStr out{kCmdCloneEnd};
    const ByteStr sig = HexStrToByteStr(kSignatureHex);
    out.insert(out.end(), sig.begin(), sig.end());
    return out;
}

std::int16_t FeBurstCount(std::int32_t baud) {
    // Int(baud * 10 / 10000 + 1.5) = floor((baud + 1500) / 1000), floored
    // also for negative values.
    const std::int64_t num = static_cast<std::int64_t>(baud) + 1500;
    std::int64_t q = num / 1000;
    if (num % 1000 != 0 && num < 0) --q;
    if (q < INT16_MIN || q > INT16_MAX) throw std::overflow_error("FeBurstCount: count outside 16 bits");
    return static_cast<std::int16_t>(q);
}

} // namespace xfr3
