#pragma once
// Small helpers for the radio link tests: radio-side frames and a scripted
// peer that answers canned frames on the in-memory port.
#include <cstdint>
#include <functional>
#include <vector>

#include "link/Xfr3Frame.h"
#include "platform/mem/MemSerialPort.h"
#include "shell/Types.h"

namespace linktest {

inline ByteStr Cat(ByteStr a, const ByteStr& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Body of a frame from the radio: 0xEF 0xEE, command and payload.
inline ByteStr RadioBody(const ByteStr& data) { return Cat({0xEF, 0xEE}, data); }
// The same on the wire: preamble, body, end byte.
inline ByteStr RadioWire(const ByteStr& data) { return Cat(Cat({0xFE, 0xFE}, RadioBody(data)), {0xFD}); }
// A clone record from the radio (body without the wire bytes).
inline ByteStr RecordBody(std::int32_t adr, const ByteStr& bytes) {
    return RadioBody(xfr3::CloneRecordData(adr, bytes));
}
inline ByteStr IdentityAnswer(std::uint8_t s0 = 0x01, std::uint8_t s1 = 0x00) {
    return {0xE1, 0x25, 0x26, s0, s1};
}

// A deterministic image pattern.
inline ByteStr Pattern(std::size_t n, std::uint32_t seed = 7) {
    ByteStr b(n);
    std::uint32_t x = seed;
    for (auto& v : b) {
        x = x * 1103515245u + 12345u;
        v = static_cast<std::uint8_t>(x >> 16);
    }
    return b;
}

// A canned transceiver: splits what the program sends into frame bodies,
// records them with the line speed they arrived at, and answers from a
// few simple rules.
class ScriptedPeer : public platform::ISerialPeer {
public:
    struct Rx {
        ByteStr body;
        std::int32_t baud;
    };
    std::vector<Rx> frames;          // every frame body received (echo-free)
    std::vector<std::pair<bool, std::int32_t>> lineLog;  // open/close with speed
    ByteStr image = Pattern(0x3000); // what the radio holds
    ByteStr written = ByteStr(0x3000, 0);
    int recordsWritten = 0;

    bool silent = false;
    std::uint8_t subCode0 = 0x01;
    bool answerE8 = true;            // answers E8 commands other than 0x01
    std::uint8_t writeResult = 0;
    std::int32_t skipRecord = -1;    // a clone read record the radio leaves out
    std::function<void(const ByteStr&, platform::MemSerialPort&)> extra;

    void receiveFromHost(const ByteStr& bytes, platform::MemSerialPort& port) override {
        for (auto b : bytes) {
            if (b == 0xFE) {
                acc_.clear();
                inFrame_ = true;
            } else if (b == 0xFD) {
                if (inFrame_) onFrame(acc_, port);
                inFrame_ = false;
                acc_.clear();
            } else if (inFrame_) {
                acc_.push_back(b);
            }
        }
    }
    void lineChanged(bool open, std::int32_t baud, platform::MemSerialPort&) override {
        lineLog.emplace_back(open, baud);
    }

private:
    void onFrame(const ByteStr& body, platform::MemSerialPort& port) {
        frames.push_back({body, port.baud()});
        if (extra) extra(body, port);
        if (silent || body.size() < 3 || body[0] != 0xEE || body[1] != 0xEF) return;
        switch (body[2]) {
        case 0xE0:
            port.deliverToHost(RadioWire(IdentityAnswer(subCode0, 0x00)));
            break;
        case 0xE8:
            if (answerE8 && body.size() >= 8 && body[7] != 0x01)
                port.deliverToHost(RadioWire({0xE8, 0x25, 0x26, 0x01, 0x00, body[7], 0x12, 0x34}));
            break;
        case 0xE2: {
            ByteStr all;
            for (std::int32_t a = 0; a < 0x3000; a += 16) {
                if (a == skipRecord) continue;
                ByteStr d(image.begin() + a, image.begin() + a + 16);
                all = Cat(all, Cat(Cat({0xFE, 0xFE}, RecordBody(a, d)), {0xFD}));
            }
            all = Cat(all, RadioWire(xfr3::SignatureData()));
            port.deliverToHost(all);
            break;
        }
        case 0xE4: {
            std::string text(body.begin() + 3, body.end());
            auto hex = [&](std::size_t i) { return std::stoi(text.substr(i, 2), nullptr, 16); };
            const int adr = hex(0) * 256 + hex(2);
            const int n = hex(4);
            for (int k = 0; k < n; ++k) written[static_cast<std::size_t>(adr + k)] = static_cast<std::uint8_t>(hex(6 + 2 * k));
            ++recordsWritten;
            break;
        }
        case 0xE5:
            port.deliverToHost(RadioWire({0xE6, writeResult}));
            break;
        default:
            break;
        }
    }

    ByteStr acc_;
    bool inFrame_ = false;
};

} // namespace linktest
