// The simulated transceiver on its own: what it answers to the frames the
// program sends, byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ZtN7Sim.h"
#include "link/Xfr3Frame.h"
#include "radio/clsCmcRadio.h"
#include "radio/clsIndEep_RigN7.h"

namespace {

using zsim::ZtN7Sim;

ByteStr Cat(ByteStr a, const ByteStr& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
ByteStr FromProgram(const ByteStr& data) { return xfr3::BuildFrame(data); }
ByteStr FromRadio(const ByteStr& data) { return Cat(Cat({0xFE, 0xFE, 0xEF, 0xEE}, data), {0xFD}); }
const ByteStr kCodes = {0x25, 0x26, 0x01, 0x00};
ByteStr E8(int code, int value) {
    const char* hex = "0123456789ABCDEF";
    return FromProgram(Cat(Cat({0xE8}, kCodes), {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(hex[(value >> 4) & 15]),
                                                 static_cast<std::uint8_t>(hex[value & 15])}));
}

// Splits a radio byte stream into frame bodies (after the last 0xFE, before 0xFD).
std::vector<ByteStr> Bodies(const ByteStr& s) {
    std::vector<ByteStr> out;
    ByteStr cur;
    bool in = false;
    for (auto b : s) {
        if (b == 0xFE) { cur.clear(); in = true; }
        else if (b == 0xFD) { if (in) out.push_back(cur); in = false; }
        else if (in) cur.push_back(b);
    }
    return out;
}

TEST(ZtN7Sim, IdentityAnswerAndFaultCodes) {
    struct Case { const char* name; bool wrongMain, wrongSub; ByteStr codes; };
    const std::vector<Case> cases = {
        {"normal", false, false, {0x25, 0x26, 0x01, 0x00}},
        {"wrong main code", true, false, {0x25, 0x27, 0x01, 0x00}},
        {"wrong sub code", false, true, {0x25, 0x26, 0x02, 0x00}},
    };
    for (const auto& c : cases) {
        ZtN7Sim sim;
        sim.faults().wrongMainCode = c.wrongMain;
        sim.faults().wrongSubCode = c.wrongSub;
        EXPECT_EQ(sim.feed(FromProgram({0xE0, 0x25, 0x26, 0x00, 0x00})), FromRadio(Cat({0xE1}, c.codes))) << c.name;
    }
}

TEST(ZtN7Sim, FramingRestartsAtPreambleAndIgnoresOtherAddresses) {
    ZtN7Sim sim;
    const ByteStr req = FromProgram({0xE0, 0x25, 0x26, 0x00, 0x00});
    // Split over three calls, with a false start before it.
    EXPECT_TRUE(sim.feed({0xFE, 0xEE, 0x12}).empty());
    EXPECT_TRUE(sim.feed(ByteStr(req.begin(), req.begin() + 4)).empty());
    EXPECT_EQ(sim.feed(ByteStr(req.begin() + 4, req.end())), FromRadio({0xE1, 0x25, 0x26, 0x01, 0x00}));
    // The radio's own addresses (as an echo would carry) and junk are ignored.
    EXPECT_TRUE(sim.feed({0xFE, 0xFE, 0xEF, 0xEE, 0xE0, 0x25, 0x26, 0x00, 0x00, 0xFD, 0x00, 0xFD}).empty());
    sim.faults().silence = true;
    EXPECT_TRUE(sim.feed(req).empty());
    EXPECT_EQ(sim.identityRequests(), 1);
}

TEST(ZtN7Sim, CloneReadStreamsEveryRecordThenTheSignature) {
    ZtN7Sim sim;
    sim.faults().lineNoise = false;
    const auto bodies = Bodies(sim.feed(FromProgram(Cat({0xE2}, kCodes))));
    ASSERT_EQ(bodies.size(), 769u);
    ByteStr rebuilt;
    for (std::size_t i = 0; i < 768; ++i) {
        const auto& b = bodies[i];
        ASSERT_EQ(b.size(), 3u + 4 + 2 + 32 + 2) << i;
        EXPECT_EQ(ByteStr(b.begin(), b.begin() + 3), (ByteStr{0xEF, 0xEE, 0xE4}));
        EXPECT_FALSE(xfr3::CloneRecordIllegal(b)) << i;
        const auto r = xfr3::ParseCloneRecord(b);
        EXPECT_EQ(r.address, static_cast<std::int16_t>(i * 16));
        rebuilt.insert(rebuilt.end(), r.data.begin(), r.data.end());
    }
    EXPECT_EQ(rebuilt, sim.image());
    EXPECT_FALSE(xfr3::SignatureIllegal(bodies.back()));
    EXPECT_EQ(bodies.back()[2], 0xE5);
}

TEST(ZtN7Sim, CloneReadFaults) {
    struct Case { const char* name; void (*set)(ZtN7Sim::Faults&); std::size_t frames; };
    const std::vector<Case> cases = {
        {"corrupted record", [](ZtN7Sim::Faults& f) { f.corruptRecordAt = 0x0100; }, 769},
        {"dropped record", [](ZtN7Sim::Faults& f) { f.dropRecordAt = 0x0100; }, 768},
        {"short record", [](ZtN7Sim::Faults& f) { f.shortRecordAt = 0x0100; }, 769},
        {"extra signature byte", [](ZtN7Sim::Faults& f) { f.extraSignatureByte = true; }, 769},
        {"record outside the image", [](ZtN7Sim::Faults& f) { f.recordOutsideImage = true; }, 770},
    };
    for (const auto& c : cases) {
        ZtN7Sim sim;
        c.set(sim.faults());
        const auto bodies = Bodies(sim.feed(FromProgram(Cat({0xE2}, kCodes))));
        ASSERT_EQ(bodies.size(), c.frames) << c.name;
        int illegal = 0;
        for (std::size_t i = 0; i + 1 < bodies.size(); ++i) illegal += xfr3::CloneRecordIllegal(bodies[i]) ? 1 : 0;
        const bool sigIllegal = xfr3::SignatureIllegal(bodies.back());
        if (std::string(c.name) == "corrupted record" || std::string(c.name) == "short record") {
            EXPECT_EQ(illegal, 1);
            EXPECT_TRUE(xfr3::CloneRecordIllegal(bodies[16]));
        } else {
            EXPECT_EQ(illegal, 0) << c.name;
        }
        EXPECT_EQ(sigIllegal, std::string(c.name) == "extra signature byte") << c.name;
        if (std::string(c.name) == "dropped record") {
            EXPECT_EQ(xfr3::ParseCloneRecord(bodies[16]).address, 0x0110);
        }
        if (std::string(c.name) == "record outside the image") {
            const auto r = xfr3::ParseCloneRecord(bodies[768]);
            EXPECT_EQ(r.address, 0x2FF8);
            EXPECT_EQ(r.data.size(), 16u);
        }
    }
}

TEST(ZtN7Sim, CloneWriteStoresRecordsAndAnswersTheSignature) {
    ZtN7Sim sim;
    EXPECT_TRUE(sim.feed(FromProgram(Cat({0xE3}, kCodes))).empty());
    ByteStr img(ZtN7Sim::kImageSize);
    for (std::size_t i = 0; i < img.size(); ++i) img[i] = static_cast<std::uint8_t>(i * 7 + 3);
    for (std::int32_t a = 0; a < ZtN7Sim::kImageSize; a += 16) {
        const ByteStr d(img.begin() + a, img.begin() + a + 16);
        ASSERT_TRUE(sim.feed(FromProgram(xfr3::CloneRecordData(a, d))).empty());
    }
    EXPECT_EQ(sim.feed(FromProgram(xfr3::SignatureData())), FromRadio({0xE6, 0x00}));
    EXPECT_EQ(sim.image(), img);
    EXPECT_EQ(sim.recordsWritten(), 768);

    // A record with a bad checksum makes the radio refuse the write; so does the fault.
    sim.feed(FromProgram(Cat({0xE3}, kCodes)));
    ByteStr bad = xfr3::CloneRecordData(0, ByteStr(16, 0x11));
    bad.back() = bad.back() == '0' ? '1' : '0';
    sim.feed(FromProgram(bad));
    EXPECT_EQ(sim.feed(FromProgram(xfr3::SignatureData())), FromRadio({0xE6, 0x01}));
    EXPECT_EQ(sim.image(), img);
    sim.faults().cloneWriteResult = 2;
    sim.feed(FromProgram(Cat({0xE3}, kCodes)));
    EXPECT_EQ(sim.feed(FromProgram(xfr3::SignatureData())), FromRadio({0xE6, 0x02}));
    // Records outside a clone write are not stored.
    sim.feed(FromProgram(xfr3::CloneRecordData(0, ByteStr(16, 0x99))));
    EXPECT_EQ(sim.image()[0], img[0]);
}

TEST(ZtN7Sim, AdjustmentCommandsStoreTheirByteAndAreLogged) {
    struct Case { int code; std::int32_t adr; };
    const std::vector<Case> cases = {{4, 274}, {5, 79}, {6, 78}, {7, 77}, {8, 72}, {9, 73}, {10, 74}, {12, 68},
                                     {13, 69}, {14, 70}, {15, 71}, {17, 76}, {18, 86}, {19, 87}, {20, 216}, {59, 255}};
    ZtN7Sim sim;
    int n = 0;
    for (const auto& c : cases) {
        const int value = 0xA0 + n++;
        EXPECT_TRUE(sim.feed(E8(c.code, value)).empty()) << c.code;
        EXPECT_EQ(sim.byteAt(c.adr), value) << c.code;
        EXPECT_EQ(sim.e8Log().back().code, c.code);
        EXPECT_EQ(sim.e8Log().back().value, value);
    }
    // Channel select, high-speed request and start store nothing and answer nothing.
    const ByteStr before = sim.image();
    EXPECT_TRUE(sim.feed(E8(0, 2)).empty());
    EXPECT_TRUE(sim.feed(E8(1, 9)).empty());
    EXPECT_TRUE(sim.feed(E8(2, 1)).empty());
    EXPECT_EQ(sim.image(), before);
    EXPECT_EQ(sim.selectedChannel(), 2);
    EXPECT_TRUE(sim.highSpeedRequested());
    EXPECT_TRUE(sim.started());
}

// The faults a verify has to catch: the command arrives (and is logged) but
// the radio keeps its old value, keeps a different one, or hears nothing.
TEST(ZtN7Sim, FaultsThatLeaveTheRadioHoldingOtherValuesThanSent) {
    struct Case { const char* what; void (*set)(ZtN7Sim::Faults&); int powerHi; int balance; bool logged; };
    const int before = ZtN7Sim::DefaultImage()[79];
    const int balance = ZtN7Sim::DefaultImage()[74];
    const std::vector<Case> cases = {
        {"ignores Power(Hi)", [](ZtN7Sim::Faults& f) { f.ignoreCommand = 5; }, before, 0x31, true},
        {"stores Power(Hi) one higher", [](ZtN7Sim::Faults& f) { f.storeWrongCommand = 5; }, 0x41, 0x31, true},
        {"switched off", [](ZtN7Sim::Faults& f) { f.silence = true; }, before, balance, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ZtN7Sim sim;
        c.set(sim.faults());
        EXPECT_TRUE(sim.feed(E8(5, 0x40)).empty());
        EXPECT_TRUE(sim.feed(E8(10, 0x31)).empty());
        EXPECT_EQ(sim.byteAt(79), c.powerHi);
        EXPECT_EQ(sim.byteAt(74), c.balance);  // other commands are stored as sent
        EXPECT_EQ(sim.e8Log().size(), c.logged ? 2u : 0u);
    }
}

TEST(ZtN7Sim, RecordsTheTxfTableAndSMeterPointsItReceives) {
    ZtN7Sim sim;
    EXPECT_EQ(sim.sMeterS1Written(), -1);
    EXPECT_EQ(sim.txfWritten()[0], -1);
    sim.feed(E8(18, 0x21));
    sim.feed(E8(19, 0x63));
    sim.feed(E8(20, 0xFE));   // point 0: a slope of -2
    sim.feed(E8(59, 0x80));   // point 39
    EXPECT_EQ(sim.sMeterS1Written(), 0x21);
    EXPECT_EQ(sim.sMeterS3Written(), 0x63);
    EXPECT_EQ(sim.txfWritten()[0], 0xFE);
    EXPECT_EQ(sim.txfWritten()[39], 0x80);
    EXPECT_EQ(sim.txfWritten()[1], -1);
    EXPECT_EQ(sim.byteAt(216), 0xFE);
    EXPECT_EQ(sim.byteAt(87), 0x63);
}

TEST(ZtN7Sim, ReadoutsAnswerFromTheMeasurementModel) {
    ZtN7Sim sim;
    sim.temperature(200);
    sim.lvin(33);
    auto answer = [&](int ch) { return sim.feed(E8(3, ch)); };
    auto expect = [](int v) {
        const char* hex = "0123456789ABCDEF";
        return FromRadio({0xE8, 0x25, 0x26, 0x01, 0x00, 0x03, static_cast<std::uint8_t>(hex[v >> 4]), static_cast<std::uint8_t>(hex[v & 15])});
    };
    EXPECT_EQ(answer(0), expect(176));
    EXPECT_EQ(answer(3), expect(200));
    EXPECT_EQ(answer(5), expect(33));
    EXPECT_EQ(answer(16), expect(0x05 + 128));        // T1 setting +5
    EXPECT_EQ(answer(17), expect(-5 + 128));          // T2 setting -5
    EXPECT_EQ(answer(15), expect(sim.byteAt(274)));   // squelch level

    // SD follows the band-pass setting last sent for the point being swept: one peak at 17.
    int best = -1, bestSetting = 0;
    for (int s = -20; s <= 40; ++s) {
        sim.feed(E8(13, s & 0xFF));
        const int level = sim.readout(4);
        if (level > best) { best = level; bestSetting = s; }
    }
    EXPECT_EQ(bestSetting, 17);
    EXPECT_EQ(sim.sweptPoint(), 1);
    sim.sdModel([](int point, int setting) { return point * 10 + (setting & 0x0F); });
    sim.feed(E8(15, 0x03));
    EXPECT_EQ(answer(4), expect(33));

    sim.faults().lineNoise = true;
    const ByteStr noisy = answer(0);
    EXPECT_GT(noisy.size(), expect(176).size());
    EXPECT_EQ(ByteStr(noisy.end() - 13, noisy.end()), expect(176));
    sim.faults().lineNoise = false;
    sim.faults().malformedReadouts = true;
    EXPECT_EQ(Bodies(answer(0)).at(0).size(), 10u);
    EXPECT_EQ(Bodies(answer(0)).at(0)[8], 'X');
    sim.faults().dropReadouts = true;
    EXPECT_TRUE(answer(0).empty());
}

// The default image read back through the program's own channel decoder:
// programmed channels with the usual mix, an empty one, inhibited ones, and
// the base frequency and adjustment bytes in place.
TEST(ZtN7Sim, DefaultImageHoldsPlausibleChannelsAndAdjustments) {
    clsCmcRadio radio;
    ASSERT_EQ(radio.eepImage().WriteBlock(0, ZtN7Sim::DefaultImage()), 0);
    const clsIndEep_RigN7 eep(radio);
    EXPECT_EQ(eep.ReadBaseFreqBlock(), 136000000);

    struct Ch { std::int16_t ch; bool listed; std::int32_t rx, tx; bool rxInh, txInh; std::int16_t power; bool narrow; };
    const std::vector<Ch> channels = {
        {0, true, 146520000, 146520000, false, false, 0, false},
        {1, true, 146940000, 146340000, false, false, 1, true},
        {2, true, 147000000, 147000000, true, false, 2, false},
        {3, false, 0, 0, false, false, 2, false},
        {4, true, 144800000, 144800000, false, true, 2, true},
        {9, true, 155000000, 155000000, false, false, 0, true},
    };
    for (const auto& c : channels) {
        SCOPED_TRACE(c.ch);
        EXPECT_EQ(eep.RigN7Eep_GetChAppear(c.ch), c.listed);
        if (!c.listed) continue;
        EXPECT_EQ(eep.Check_Inh(clsIndEep_RigN7::RxFreqAdr(c.ch)), c.rxInh);
        EXPECT_EQ(eep.Check_Inh(clsIndEep_RigN7::TxFreqAdr(c.ch)), c.txInh);
        EXPECT_EQ(eep.RigN7Eep_GetChFreqRxReal(c.ch), c.rx);
        EXPECT_EQ(eep.RigN7Eep_GetChFreqTxReal(c.ch), c.tx);
        EXPECT_EQ(eep.RigN7Eep_GetChRFPower(c.ch), c.power);
        EXPECT_EQ(eep.RigN7Eep_GetChMode(c.ch), c.narrow);
    }
    int listed = 0;
    for (std::int16_t ch = 0; ch < 40; ++ch) listed += eep.RigN7Eep_GetChAppear(ch) ? 1 : 0;
    EXPECT_EQ(listed, 5);

    // Every adjustment byte an item or a procedure uses holds a non-zero value.
    const ByteStr img = ZtN7Sim::DefaultImage();
    for (std::int32_t a : {68, 69, 70, 72, 73, 74, 76, 77, 78, 79, 86, 87, 274}) EXPECT_NE(img[static_cast<std::size_t>(a)], 0) << a;
    for (std::int32_t p = 1; p < 40; p += 2) EXPECT_NE(img[static_cast<std::size_t>(216 + p)], 0) << p;
}

TEST(ZtN7Sim, HungReceiverTakesNothingAfterTheCloneWriteRequest) {
    ZtN7Sim sim;
    sim.faults().hangOnCloneWrite = true;
    const ByteStr before = sim.image();
    // The request and a record in the same byte string: the record is lost.
    ByteStr s = Cat(FromProgram(Cat({0xE3}, kCodes)), FromProgram(xfr3::CloneRecordData(0, ByteStr(16, 0x42))));
    EXPECT_TRUE(sim.feed(s).empty());
    EXPECT_TRUE(sim.hung());
    EXPECT_TRUE(sim.feed(FromProgram(xfr3::SignatureData())).empty());
    EXPECT_TRUE(sim.feed(FromProgram({0xE0, 0x25, 0x26, 0x00, 0x00})).empty());
    EXPECT_EQ(sim.image(), before);
    EXPECT_EQ(sim.recordsWritten(), 0);
    // Switched off and on again it answers.
    sim.faults() = {};
    sim.resume();
    EXPECT_EQ(sim.feed(FromProgram({0xE0, 0x25, 0x26, 0x00, 0x00})), FromRadio({0xE1, 0x25, 0x26, 0x01, 0x00}));
}

TEST(ZtN7Sim, ShortReadoutsAndSdShapes) {
    ZtN7Sim sim;
    sim.faults().shortReadouts = true;
    const auto bodies = Bodies(sim.feed(E8(3, 0)));
    ASSERT_EQ(bodies.size(), 1u);
    // EF EE E8, four code bytes, the sub-command and one value character.
    EXPECT_EQ(bodies[0], (ByteStr{0xEF, 0xEE, 0xE8, 0x25, 0x26, 0x01, 0x00, 0x03, 'B'}));

    struct Case { const char* name; std::function<int(int, int)> model; int first, last; };
    const std::vector<Case> cases = {
        {"peak at 17 (default)", &ZtN7Sim::DefaultSdLevel, 17, 17},
        {"peak at -40", ZtN7Sim::SdPeak(-40), -40, -40},
        {"plateau 10..13", ZtN7Sim::SdPlateau(10, 13), 10, 13},
        {"plateau given backwards", ZtN7Sim::SdPlateau(13, 10), 10, 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int best = -1, first = 0, last = 0;
        for (int s = -128; s <= 127; ++s) {
            const int l = c.model(2, s);
            EXPECT_GE(l, 0);
            EXPECT_LE(l, 255);
            if (l > best) { best = l; first = s; }
            if (l == best) last = s;
        }
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.last);
    }
}

// Whatever arrives on the line, the radio stays in step: after any junk,
// including half frames, over-long runs without an end byte and requests cut
// short, a clean identity request is answered.
TEST(ZtN7Sim, JunkOnTheLineNeverDerailsIt) {
    ZtN7Sim sim;
    const ByteStr before = sim.image();
    std::uint32_t x = 12345;
    auto next = [&] { x = x * 1103515245u + 12345u; return static_cast<std::uint8_t>(x >> 16); };
    const ByteStr identity = FromProgram({0xE0, 0x25, 0x26, 0x00, 0x00});
    for (int round = 0; round < 200; ++round) {
        ByteStr junk(static_cast<std::size_t>(next()) * (round % 7 == 0 ? 8 : 1));
        for (auto& b : junk) b = next();
        // Frames to the radio with random bodies, so the command paths see junk too.
        if (round % 3 == 0) junk = Cat(junk, FromProgram(Cat({static_cast<std::uint8_t>(0xE0 + round % 9)}, ByteStr(junk.begin(), junk.begin() + (junk.size() % 40)))));
        for (auto& b : junk) if (b == 0xE3) b = 0xE2;  // no clone write: its records would change the image
        sim.feed(junk);
        const auto bodies = Bodies(sim.feed(identity));
        ASSERT_FALSE(bodies.empty()) << round;
        EXPECT_EQ(bodies.back(), (ByteStr{0xEF, 0xEE, 0xE1, 0x25, 0x26, 0x01, 0x00})) << round;
    }
    EXPECT_EQ(sim.image(), before);
}

} // namespace

namespace {

TEST(ZtN7Sim, ListensOnlyAtItsOwnLineSpeed) {
    ZtN7Sim sim;
    const ByteStr identity = FromProgram({0xE0, 0x25, 0x26, 0x00, 0x00});
    const ByteStr cloneRead = FromProgram(Cat({0xE2}, kCodes));
    EXPECT_EQ(sim.listenBaud(), 9600);
    // A frame sent at another speed is noise; so is the frame it broke into.
    EXPECT_TRUE(sim.feed(identity, 38400).empty());
    EXPECT_TRUE(sim.feed(ByteStr(identity.begin(), identity.begin() + 5), 9600).empty());
    EXPECT_TRUE(sim.feed({0x00}, 38400).empty());
    EXPECT_TRUE(sim.feed(ByteStr(identity.begin() + 5, identity.end()), 9600).empty());
    EXPECT_EQ(sim.wrongSpeedBytes(), static_cast<int>(identity.size()) + 1);
    EXPECT_EQ(sim.feed(identity, 9600), FromRadio({0xE1, 0x25, 0x26, 0x01, 0x00}));

    // The high-speed request: from now on 38400 until the clone read is out.
    EXPECT_TRUE(sim.feed(E8(1, 9), 9600).empty());
    EXPECT_EQ(sim.listenBaud(), 38400);
    EXPECT_TRUE(sim.feed(identity, 9600).empty());
    EXPECT_TRUE(sim.feed(cloneRead, 9600).empty());
    EXPECT_EQ(sim.cloneReads(), 0);
    EXPECT_FALSE(sim.feed(cloneRead, 38400).empty());
    EXPECT_EQ(sim.cloneReads(), 1);
    EXPECT_EQ(sim.listenBaud(), 9600);

    // A high-speed request without a clone read request after it: the radio
    // waits a while at 38400, then listens at 9600 again.
    sim.feed(E8(1, 9), 9600);
    sim.elapse(ZtN7Sim::kHighSpeedWaitMs - 1);
    EXPECT_EQ(sim.listenBaud(), 38400);
    EXPECT_EQ(sim.highSpeedWaitLeft(), 1);
    sim.elapse(1);
    EXPECT_EQ(sim.listenBaud(), 9600);
    EXPECT_EQ(sim.highSpeedWaitLeft(), 0);
    EXPECT_FALSE(sim.feed(identity, 9600).empty());
}

} // namespace
