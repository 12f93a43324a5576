#include "ZtN7Sim.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "link/Xfr3Frame.h"

namespace zsim {

namespace {

constexpr std::uint8_t kSig[9] = {0x56, 0x65, 0x6C, 0x6B, 0x20, 0x49, 0x6E, 0x63, 0x2E};
// Stray bytes a noisy line puts before an answer. They hold neither 0xFE nor
// 0xFD, so they never look like the start or the end of a frame.
constexpr std::uint8_t kNoise[5] = {0x00, 0x11, 0x13, 0x7F, 0xFF};
constexpr std::size_t kMaxFrame = 512;  // a longer run without an end byte is dropped

int HexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::uint8_t HexChar(int v) { return static_cast<std::uint8_t>("0123456789ABCDEF"[v & 0x0F]); }

void PutFreq(ByteStr& img, std::int32_t adr, std::uint32_t hz) {
    for (int i = 0; i < 4; ++i) img[static_cast<std::size_t>(adr + i)] = static_cast<std::uint8_t>(hz >> (24 - 8 * i));
}

} // namespace

ZtN7Sim::ZtN7Sim() : image_(DefaultImage()), sdModel_(&ZtN7Sim::DefaultSdLevel) {}

ByteStr ZtN7Sim::DefaultImage() {
    ByteStr img(kImageSize, 0x00);
    // Never-written EEPROM reads 0xFF; the upper half of this radio's memory is unused.
    std::fill(img.begin() + 0x1000, img.end(), 0xFF);
    // Base frequency 0x0550 = 1360 x 100 kHz = 136 MHz.
    img[92] = 0x05;
    img[93] = 0x50;
    // Factory adjustment bytes 49..87: a smooth ramp, then the named ones.
    for (int a = 49; a <= 87; ++a) img[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(0x40 + (a - 49) * 3);
    img[68] = 0x05;  // band-pass T1 .. T4, signed
    img[69] = 0xFB;
    img[70] = 0x10;
    img[71] = 0x00;
    img[72] = 0x90;  // modulation wide
    img[73] = 0x60;  // modulation narrow
    img[74] = 0x80;  // balance
    img[76] = 0x40;  // tone level
    img[77] = 0x30;  // power Low1
    img[78] = 0x70;  // power Low2
    img[79] = 0xC8;  // power High
    img[86] = 0x28;  // S-meter S1
    img[87] = 0x50;  // S-meter S3
    // Transmit-frequency compensation table: flat slopes, setting 0x80 everywhere.
    for (int p = 0; p < 40; ++p) img[static_cast<std::size_t>(216 + p)] = (p % 2 == 0) ? 0x00 : 0x80;
    img[274] = 0x50;  // squelch

    auto rec = [](int ch) { return 1362 + 33 * ch; };
    // ch 1: 146.520 MHz simplex, High, wide.
    PutFreq(img, rec(0) + 10, 146520000);
    PutFreq(img, rec(0) + 14, 146520000);
    img[static_cast<std::size_t>(rec(0) + 22)] = 0x03;
    img[static_cast<std::size_t>(rec(0) + 25)] = 0x00;
    // ch 2: repeater pair 146.940 / 146.340 MHz, Low2, narrow.
    PutFreq(img, rec(1) + 10, 146940000);
    PutFreq(img, rec(1) + 14, 146340000);
    img[static_cast<std::size_t>(rec(1) + 22)] = 0x02;
    img[static_cast<std::size_t>(rec(1) + 25)] = 0x80;
    // ch 3: receive inhibited (bit 7 of the first receive byte), Low1, wide.
    PutFreq(img, rec(2) + 10, 0x80000000u | 147000000u);
    PutFreq(img, rec(2) + 14, 147000000);
    img[static_cast<std::size_t>(rec(2) + 22)] = 0x00;
    // ch 4 stays empty.
    // ch 5: 144.800 MHz, transmit inhibited, Low1 (code 01), narrow.
    PutFreq(img, rec(4) + 10, 144800000);
    PutFreq(img, rec(4) + 14, 0x80000000u | 144800000u);
    img[static_cast<std::size_t>(rec(4) + 22)] = 0x01;
    img[static_cast<std::size_t>(rec(4) + 25)] = 0x80;
    // ch 10: 155.000 MHz, High, narrow.
    PutFreq(img, rec(9) + 10, 155000000);
    PutFreq(img, rec(9) + 14, 155000000);
    img[static_cast<std::size_t>(rec(9) + 22)] = 0x03;
    img[static_cast<std::size_t>(rec(9) + 25)] = 0x80;
    return img;
}

void ZtN7Sim::image(const ByteStr& bytes) {
    image_ = bytes;
    image_.resize(kImageSize, 0x00);
}

std::uint8_t ZtN7Sim::byteAt(std::int32_t adr) const {
    return (adr >= 0 && adr < kImageSize) ? image_[static_cast<std::size_t>(adr)] : 0;
}

void ZtN7Sim::byteAt(std::int32_t adr, std::uint8_t v) {
    if (adr >= 0 && adr < kImageSize) image_[static_cast<std::size_t>(adr)] = v;
}

bool ZtN7Sim::loadImage(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    ByteStr b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (b.size() < static_cast<std::size_t>(kImageSize)) return false;
    b.resize(kImageSize);
    image_ = std::move(b);
    return true;
}

bool ZtN7Sim::saveImage(const std::string& path) const {
    // Written to a side file first so an interrupted save never leaves half an image.
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) return false;
        f.write(reinterpret_cast<const char*>(image_.data()), static_cast<std::streamsize>(image_.size()));
        if (!f) return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

int ZtN7Sim::DefaultSdLevel(int /*point*/, int setting) {
    const int d = std::abs(setting - 17);
    return std::max(10, 220 - 6 * d);
}

std::function<int(int, int)> ZtN7Sim::SdPeak(int at) { return SdPlateau(at, at); }

std::function<int(int, int)> ZtN7Sim::SdPlateau(int first, int last) {
    if (first > last) std::swap(first, last);
    return [first, last](int /*point*/, int setting) {
        const int d = setting < first ? first - setting : (setting > last ? setting - last : 0);
        return std::max(10, 220 - 6 * d);
    };
}

std::int32_t ZtN7Sim::E8Address(int code) {
    switch (code) {
    case 4: return 274;
    case 5: return 79;
    case 6: return 78;
    case 7: return 77;
    case 8: return 72;
    case 9: return 73;
    case 10: return 74;
    case 12: return 68;
    case 13: return 69;
    case 14: return 70;
    case 15: return 71;
    case 17: return 76;
    case 18: return 86;
    case 19: return 87;
    default:
        if (code >= 20 && code <= 59) return 216 + (code - 20);
        return -1;
    }
}

int ZtN7Sim::readout(int channelCode) const {
    int v = 0;
    switch (channelCode) {
    case 0: v = vin_; break;
    case 3: v = temp_; break;
    case 5: v = lvin_; break;
    case 4: {
        const int setting = static_cast<std::int8_t>(byteAt(68 + sweptPoint_));
        v = sdModel_ ? sdModel_(sweptPoint_, setting) : 0;
        break;
    }
    case 16: case 17: case 18: case 19:
        // Band-pass tuning voltages follow the signed setting of each point.
        v = static_cast<std::int8_t>(byteAt(68 + channelCode - 16)) + 128;
        break;
    case 12: v = byteAt(79); break;   // reference: power High setting
    case 13: v = byteAt(74); break;   // modulation balance
    case 14: v = byteAt(72); break;   // deviation: wide modulation level
    case 11: v = byteAt(76); break;   // tone level
    case 15: v = byteAt(274); break;  // squelch level
    default: v = 0; break;
    }
    return std::clamp(v, 0, 255);
}

void ZtN7Sim::lineReset() {
    rx_.clear();
    inFrame_ = false;
    mode_ = Mode::Idle;
}

void ZtN7Sim::elapse(std::int32_t ms) {
    if (listenBaud_ != kHighBaud || ms <= 0) return;
    highSpeedLeft_ -= ms;
    if (highSpeedLeft_ <= 0) {
        // No clone read request came: back to the normal speed.
        listenBaud_ = kLowBaud;
        highSpeedLeft_ = 0;
    }
}

ByteStr ZtN7Sim::feed(const ByteStr& fromLine, std::int32_t lineBaud) {
    ByteStr out;
    if (lineBaud != listenBaud_) {
        // Sent at another speed, the bytes reach the radio's receiver as
        // garbage: no frame survives them.
        wrongSpeedBytes_ += static_cast<int>(fromLine.size());
        if (!fromLine.empty()) {
            rx_.clear();
            inFrame_ = false;
        }
        return out;
    }
    for (auto b : fromLine) {
        // A hung receiver takes nothing more, not even the rest of this string.
        if (hung_) break;
        if (b == xfr3::kPreamble) {
            rx_.clear();
            inFrame_ = true;
        } else if (b == xfr3::kEnd) {
            if (inFrame_) onFrame(rx_, out);
            rx_.clear();
            inFrame_ = false;
        } else if (inFrame_) {
            if (rx_.size() >= kMaxFrame) {
                rx_.clear();
                inFrame_ = false;
            } else {
                rx_.push_back(b);
            }
        }
    }
    return out;
}

void ZtN7Sim::emitFrame(ByteStr& out, const ByteStr& data) const {
    if (faults_.lineNoise) out.insert(out.end(), std::begin(kNoise), std::end(kNoise));
    out.push_back(xfr3::kPreamble);
    out.push_back(xfr3::kPreamble);
    out.push_back(xfr3::kAdrProgram);
    out.push_back(xfr3::kAdrRadio);
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(xfr3::kEnd);
}

void ZtN7Sim::onFrame(const ByteStr& body, ByteStr& out) {
    if (body.size() < 3 || body[0] != xfr3::kAdrRadio || body[1] != xfr3::kAdrProgram) return;
    if (faults_.silence || faults_.deadLine) return;
    const std::uint8_t cmd = body[2];
    // Requests other than the identity request carry this radio's main code.
    const bool ourModel = body.size() >= 5 && body[3] == main_[0] && body[4] == main_[1];
    switch (cmd) {
    case xfr3::kCmdIdentity: {
        ++identityRequests_;
        ByteStr d = {xfr3::kCmdIdentityAnswer, main_[0], main_[1], sub_[0], sub_[1]};
        if (faults_.wrongMainCode) { d[1] = 0x25; d[2] = 0x27; }
        if (faults_.wrongSubCode) { d[3] = 0x02; d[4] = 0x00; }
        emitFrame(out, d);
        break;
    }
    case xfr3::kCmdCloneRead: {
        if (!ourModel) return;
        ++cloneReads_;
        mode_ = Mode::Idle;
        ByteStr s = cloneReadStream();
        out.insert(out.end(), s.begin(), s.end());
        // The records and the signature are queued for the line at the
        // current speed; what the radio hears next it hears at 9600.
        listenBaud_ = kLowBaud;
        highSpeedLeft_ = 0;
        break;
    }
    case xfr3::kCmdCloneWrite:
        ++cloneWriteRequests_;  // whatever model codes it carries
        if (!ourModel) return;
        mode_ = Mode::CloneWrite;
        writeHadErrors_ = false;
        if (faults_.hangOnCloneWrite) hung_ = true;
        break;
    case xfr3::kCmdCloneRecord: {
        if (mode_ != Mode::CloneWrite) return;
        if (xfr3::CloneRecordIllegal(body)) {
            ++badRecords_;
            writeHadErrors_ = true;
            return;
        }
        const xfr3::CloneRecord r = xfr3::ParseCloneRecord(body);
        const std::int32_t a = r.address;
        if (a < 0 || a + static_cast<std::int32_t>(r.data.size()) > kImageSize) {
            ++badRecords_;
            writeHadErrors_ = true;
            return;
        }
        std::copy(r.data.begin(), r.data.end(), image_.begin() + a);
        ++recordsWritten_;
        break;
    }
    case xfr3::kCmdCloneEnd: {
        if (mode_ != Mode::CloneWrite) return;
        mode_ = Mode::Idle;
        ++writesEnded_;
        std::uint8_t status = 0;
        if (writeHadErrors_ || xfr3::SignatureIllegal(body)) status = 1;
        if (faults_.cloneWriteResult != 0) status = faults_.cloneWriteResult;
        emitFrame(out, {xfr3::kCmdCloneResult, status});
        break;
    }
    case xfr3::kCmdAdjust:
        if (!ourModel) return;
        onE8(body, out);
        break;
    default:
        break;
    }
}

void ZtN7Sim::onE8(const ByteStr& body, ByteStr& out) {
    // EE EF E8, main code (2), sub code (2), sub-command, value as two ASCII hex digits.
    if (body.size() < 8) return;
    E8Command c;
    c.code = body[7];
    if (body.size() >= 10) {
        const int h = HexDigit(body[8]), l = HexDigit(body[9]);
        if (h >= 0 && l >= 0) c.value = h * 16 + l;
    }
    e8Log_.push_back(c);
    switch (c.code) {
    case 0:
        if (c.value >= 0) channel_ = c.value;
        return;
    case 1:
        // "09": switch to high speed for the clone read that follows. No answer.
        if (c.value == 0x09) {
            highSpeed_ = true;
            listenBaud_ = kHighBaud;
            highSpeedLeft_ = kHighSpeedWaitMs;
        }
        return;
    case 2:
        started_ = true;
        return;
    case 3: {
        if (faults_.dropReadouts || c.value < 0) return;
        const int v = readout(c.value);
        ByteStr d = {xfr3::kCmdAdjust, main_[0], main_[1], sub_[0], sub_[1], 0x03, HexChar(v >> 4), HexChar(v)};
        if (faults_.malformedReadouts) { d[6] = 'X'; d[7] = 'Y'; }
        if (faults_.shortReadouts) d.pop_back();
        emitFrame(out, d);
        return;
    }
    default:
        break;
    }
    if (c.code >= 12 && c.code <= 15) sweptPoint_ = c.code - 12;
    if (c.code == 18) s1Written_ = c.value;
    if (c.code == 19) s3Written_ = c.value;
    if (c.code >= 20 && c.code <= 59) txfWritten_[static_cast<std::size_t>(c.code - 20)] = c.value;
    const std::int32_t adr = E8Address(c.code);
    if (adr < 0 || c.value < 0 || c.code == faults_.ignoreCommand) return;
    byteAt(adr, static_cast<std::uint8_t>(c.code == faults_.storeWrongCommand ? c.value + 1 : c.value));
}

ByteStr ZtN7Sim::cloneReadStream() const {
    ByteStr out;
    out.reserve(static_cast<std::size_t>(kImageSize / kRecordSize) * 52 + 64);
    for (std::int32_t a = 0; a < kImageSize; a += kRecordSize) {
        if (a == faults_.dropRecordAt) continue;
        ByteStr d(image_.begin() + a, image_.begin() + a + kRecordSize);
        ByteStr rec = xfr3::CloneRecordData(a, d);
        if (a == faults_.corruptRecordAt) {
            // Last two characters are the checksum; change it by one.
            const std::uint8_t ck = static_cast<std::uint8_t>(xfr3::CloneChecksum(a, d) + 1);
            rec[rec.size() - 2] = HexChar(ck >> 4);
            rec[rec.size() - 1] = HexChar(ck);
        }
        if (a == faults_.shortRecordAt) rec.erase(rec.end() - 3);  // the last data character is lost
        emitFrame(out, rec);
    }
    if (faults_.recordOutsideImage) {
        const ByteStr d(kRecordSize, 0x5A);
        emitFrame(out, xfr3::CloneRecordData(0x2FF8, d));
    }
    ByteStr sig = {xfr3::kCmdCloneEnd};
    sig.insert(sig.end(), std::begin(kSig), std::end(kSig));
    if (faults_.extraSignatureByte) sig.push_back(0x00);
    emitFrame(out, sig);
    return out;
}

} // namespace zsim
