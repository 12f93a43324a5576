// The console's event handlers: the channel line and the guided-procedure
// lines, the channel selection sent to the transceiver, and the Enter keys
// that start the guided procedures.
#include "model/clsIndOp_RigN7.h"
#include "shell/Common.h"
#include "shell/NumberFormat.h"

namespace {

// A frequency in Hz shown in MHz with three decimals («146.520»).
std::string ChannelMHz(std::int32_t hz) { return FormatNumber(hz / 1000000.0, "###0.##0"); }

// The user's channel number with at least two digits («05», «12»).
std::string TwoDigitName(const std::string& name) {
    std::string s = name;
    s.erase(0, s.find_first_not_of(' '));
    return std::stoi(s) < 10 ? "0" + s : s;
}

}  // namespace

std::string clsIndOp_RigN7::ConsEv_Disp(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                                        std::int16_t val) {
    switch (evNo) {
    case rign7ev::kDispChannel: {
        const std::int16_t ch = ChOfValue(val);
        const bool rxInh = eep_.Check_Inh(clsIndEep_RigN7::RxFreqAdr(ch));
        const bool txInh = eep_.Check_Inh(clsIndEep_RigN7::TxFreqAdr(ch));
        const std::int32_t rx = eep_.RigN7Eep_GetChFreqRxReal(ch);
        const std::int32_t tx = eep_.RigN7Eep_GetChFreqTxReal(ch);
        std::string s = objConsole.Title(Index) + ": " + TwoDigitName(eep_.RigN7Eep_GetChName(ch));
        s += " RX Freq = " + (rxInh ? std::string("Inhibit") : ChannelMHz(rx));
        s += ", TX Freq = ";
        if (txInh) s += "Inhibit";
        else if (rxInh) s += ChannelMHz(tx);
        else if (rx == tx) s += "  <-   ";
        else s += ChannelMHz(tx);
        const std::int16_t power = eep_.RigN7Eep_GetChRFPower(ch);
        s += "  RF Power: ";
        s += power == 0 ? "High" : power == 1 ? "Low2" : "Low1";
        s += "  Mode:";
        s += eep_.RigN7Eep_GetChMode(ch) ? " Narrow" : " Wide";
        return s;
    }
    case rign7ev::kDispTxf: {
        std::string s = objConsole.Title(Index);
        if (!TxfRunning()) return s + ": [Enter] to Start";
        s += txfPhase2 ? ": 2nd TX Freq = " : ": 1st TX Freq = ";
        if (eep_.Check_Inh(clsIndEep_RigN7::TxFreqAdr(curChannel))) {
            s += "Inhibit";
        } else {
            double f = eep_.RigN7Eep_GetChFreqTxReal(curChannel);
            // The second phase sets the transmitter 10 ppm high.
            if (txfPhase2) f *= 1.00001;
            s += FormatNumber(f / 1000000.0, "#000.####0MHz");
        }
        s += ", Setting = " + common::Right("   " + std::to_string(val), 3);
        return s + objConsole.BarString(Index);
    }
    case rign7ev::kDispBpfAll:
        return objConsole.Title(Index) +
               (BpfRunning() && Index == idxBpfSweep ? ": Sweeping" : ": [Enter] to Sweep");
    case rign7ev::kDispBpfPoint: {
        std::string s = objConsole.DefaultString(Index);
        if (!BpfRunning()) return s + " [Enter] to Sweep";
        if (bpfSelect.at(static_cast<std::size_t>(Index - idxBpfT1))) s += " Sweeping";
        return s;
    }
    case rign7ev::kDispSMeter:
        if (!SMeterRunning()) return objConsole.Title(Index) + ": [Enter] to Start";
        return objConsole.Title(Index) + (smPhase2 ? ": RSSI S1 Level " : ": RSSI S3 Level ");
    default:
        return "???";
    }
}

void clsIndOp_RigN7::ConsEv_SendE8(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                                   std::int16_t val) {
    if (evNo != rign7ev::kSendChannel) return;
    // The transceiver numbers its channels from 1; no settle time follows.
    const std::int16_t ch = ChOfValue(val);
    link_.easySendE8NoAnswer(ByteToHexStr(objConsole.E8Command(Index)) +
                             ByteToAsciiHexStr(static_cast<std::int16_t>(ch + 1)));
    curChannel = ch;
}

void clsIndOp_RigN7::ConsEv_Enter(clsConsole&, std::int16_t Index, std::int16_t evNo, std::int16_t) {
    switch (evNo) {
    case rign7ev::kEnterTxf:
        if (TxfRunning()) {
            txfEnter = true;
        } else {
            CancelProcedure();
            txfTableReady = false;
            txfPhase2 = false;
            procStep = 1;
        }
        break;
    case rign7ev::kEnterSMeter:
        if (SMeterRunning()) {
            smEnter = true;
        } else {
            CancelProcedure();
            smPhase2 = false;
            procStep = 6;
        }
        break;
    case rign7ev::kEnterBpfT1:
    case rign7ev::kEnterBpfT1 + 1:
    case rign7ev::kEnterBpfT1 + 2:
    case rign7ev::kEnterBpfT1 + 3:
    case rign7ev::kEnterBpfAll:
        // Enter on a band-pass item during a sweep is ignored.
        if (BpfRunning()) break;
        bpfSelect.fill(false);
        bpfAll = false;
        if (evNo == rign7ev::kEnterBpfAll) {
            bpfAll = true;
            for (std::size_t k = 0; k < 4; ++k) bpfSelect[k] = true;
        } else {
            bpfSelect[static_cast<std::size_t>(evNo - rign7ev::kEnterBpfT1)] = true;
        }
        idxBpfSweep = Index;
        CancelProcedure();
        procStep = 9;
        break;
    default:
        break;
    }
}
