// Creation of the operation, its reset and the ZT-N7's console item table.
#include <array>

#include "model/RigN7_Readouts.h"
#include "model/TxfTable.h"
#include "model/clsIndOp_RigN7.h"

namespace {

constexpr std::int16_t kNone = -1;

// One row of the item table. Fields left out keep the console's defaults.
struct ItemRow {
    const char* title;
    std::int16_t min, max;
    std::int32_t eeAdr;
    bool eeSigned;
    std::int16_t e8Command;
    bool bar;
    std::int16_t evDisp, evSendE8, evEnter;
    bool loop;
};

// The sixteen items in console order; the position is the item index.
constexpr std::array<ItemRow, 16> kItems = {{
    {"    CH No.", 0, 0, kNone, false, rign7e8::kChSelect, false, rign7ev::kDispChannel, rign7ev::kSendChannel, kNone, true},
    {" Power(Hi)", 0, 255, rign7ee::kPowerHi, false, rign7e8::kPowerHi, true, kNone, kNone, kNone, false},
    {" Power(L2)", 0, 255, rign7ee::kPowerL2, false, rign7e8::kPowerL2, true, kNone, kNone, kNone, false},
    {" Power(L1)", 0, 255, rign7ee::kPowerL1, false, rign7e8::kPowerL1, true, kNone, kNone, kNone, false},
    {"   Balance", 0, 255, rign7ee::kBalance, false, rign7e8::kBalance, true, kNone, kNone, kNone, false},
    {"     MOD W", 0, 255, rign7ee::kModW, false, rign7e8::kModW, true, kNone, kNone, kNone, false},
    {"     MOD N", 0, 255, rign7ee::kModN, false, rign7e8::kModN, true, kNone, kNone, kNone, false},
    {" CTCS/DTCS", 0, 255, rign7ee::kCtcss, false, rign7e8::kCtcss, true, kNone, kNone, kNone, false},
    {"       SQL", 0, 255, rign7ee::kSql, false, rign7e8::kSql, true, kNone, kNone, kNone, false},
    {"   BPF ALL", 0, 255, kNone, false, kNone, false, rign7ev::kDispBpfAll, kNone, rign7ev::kEnterBpfAll, false},
    {"    BPF T1", -128, 127, rign7ee::kBpfT1, true, rign7e8::kBpfT1, true, rign7ev::kDispBpfPoint, kNone, rign7ev::kEnterBpfT1, false},
    {"    BPF T2", -128, 127, rign7ee::kBpfT1 + 1, true, rign7e8::kBpfT1 + 1, true, rign7ev::kDispBpfPoint, kNone, rign7ev::kEnterBpfT1 + 1, false},
    {"    BPF T3", -128, 127, rign7ee::kBpfT1 + 2, true, rign7e8::kBpfT1 + 2, true, rign7ev::kDispBpfPoint, kNone, rign7ev::kEnterBpfT1 + 2, false},
    {"    BPF T4", -128, 127, rign7ee::kBpfT1 + 3, true, rign7e8::kBpfT1 + 3, true, rign7ev::kDispBpfPoint, kNone, rign7ev::kEnterBpfT1 + 3, false},
    {"       TXF", 0, 255, kNone, false, kNone, false, rign7ev::kDispTxf, kNone, rign7ev::kEnterTxf, false},
    {"   S-METER", 0, 255, kNone, false, kNone, false, rign7ev::kDispSMeter, kNone, rign7ev::kEnterSMeter, false},
}};

// Item positions the operation remembers.
constexpr std::int16_t kPosChNo = 0;
constexpr std::int16_t kPosBpfAll = 9;
constexpr std::int16_t kPosBpfT1 = 10;
constexpr std::int16_t kPosTxf = 14;
constexpr std::int16_t kPosSMeter = 15;

// The settle time of a band-pass point outside a sweep.
constexpr std::int32_t kBpfWaitAfterE8 = 200;

}  // namespace

clsIndOp_RigN7::clsIndOp_RigN7(clsConsole& console, IRigN7Link& link, clsCmcRadio& radio,
                               const platform::MainWindowControls& frmMain)
    : console_(console), link_(link), radio_(radio), frmMain_(frmMain), eep_(radio) {
    comPortNo = 1;
    txfTempBorder = txf::TempBorders();
    for (std::size_t i = 0; i < rign7::kAdLines.size(); ++i) adChCode[i] = rign7::kAdLines[i].chCode;
    for (std::size_t i = 0; i < rign7::kDaLines.size(); ++i) daChCode[i] = rign7::kDaLines[i].chCode;
    RigOpFunc_ResetAll();
}

void clsIndOp_RigN7::RigOpFunc_ResetAll() {
    link_.easyReset(comPortNo);

    opState = 0;
    stateEntry = true;
    dispParaRequest = false;
    // What a reset interrupts is not sent later: a new request finds what
    // still differs.
    pending_.clear();
    sendingTotal_ = 0;
    initialSend_ = false;
    verifyRequest_ = false;
    verifying_ = false;

    // The next reading of every read-out line is shown even if unchanged.
    for (std::size_t i = 0; i < 4; ++i) adLast[i] = -1;
    for (std::size_t i = 0; i < 9; ++i) daLast[i] = -1;

    commError = false;

    RigOpFunc_FormResource();

    console_.myListBox = frmMain_.lboConsole;
    console_.myEventClass = this;
    console_.myXfr3Seq = &link_;
    console_.myEeprom = &radio_.eepImage();

    console_.Clear();
    for (const ItemRow& row : kItems) {
        console_.AddItem();
        const auto i = static_cast<std::int16_t>(console_.ListCount() - 1);
        console_.Title(i, row.title);
        console_.Min(i, row.min);
        console_.Max(i, row.max);
        console_.EeAdr(i, row.eeAdr);
        console_.EeDataSigned(i, row.eeSigned);
        console_.E8Command(i, row.e8Command);
        console_.BarExist(i, row.bar);
        console_.LoopVal(i, row.loop);
        console_.Event_SendE8(i, row.evSendE8);
        console_.Event_Enter(i, row.evEnter);
        console_.Event_Disp(i, row.evDisp);   // last: redraws the line
        switch (i) {
        case kPosChNo: idxChNo = i; break;
        case kPosBpfAll: idxBpfSweep = i; break;
        case kPosBpfT1: idxBpfT1 = i; break;
        case kPosTxf: idxTxf = i; break;
        case kPosSMeter: idxSMeter = i; break;
        default: break;
        }
    }

    CancelProcedure();
}

void clsIndOp_RigN7::CancelProcedure() {
    procStep = 0;
    if (sweepChart_.sweeping >= 0) {
        // A cancelled sweep keeps the levels measured so far, unsettled.
        sweepChart_.sweeping = -1;
        ++sweepRevision_;
    }
    for (std::int16_t k = 0; k < 4; ++k)
        console_.WaitAfterE8(static_cast<std::int16_t>(idxBpfT1 + k), kBpfWaitAfterE8);
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        console_.flgEnterOn(i, false);
        console_.Disp(i);
    }
}
