// The console's event handlers of the ZT-N7: the channel line and the lines
// of the guided procedures, the channel selection sent to the transceiver,
// and the Enter keys that start or advance the guided procedures.
#include "model/clsIndOp_RigN7.h"
#include "shell/Common.h"
#include "shell/NumberFormat.h"

namespace {

// A channel frequency in Hz shown in MHz with three decimals («146.520»).
std::string ChannelMHz(std::int32_t hz) { return FormatNumber(hz / 1000000.0, "###0.##0"); }

// The user's channel number with at least two digits («05», «12»).
std::string TwoDigitName(std::string name) {
    name.erase(0, name.find_first_not_of(' '));
    return std::stoi(name) < 10 ? "0" + name : name;
}

const char* PowerText(std::int16_t code) {
    switch (code) {
    case 0: return "High";
    case 1: return "Low2";
    default: return "Low1";
    }
}

}  // namespace

std::string clsIndOp_RigN7::ConsEv_Disp(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                                        std::int16_t val) {
    switch (evNo) {
    case rign7ev::kDispChannel: {
        const std::int16_t ch = ChOfValue(val);
        const bool rxInh = eep_.Check_Inh(clsIndEep_RigN7::RxFreqAdr(ch));
        const bool txInh = eep_.Check_Inh(clsIndEep_RigN7::TxFreqAdr(ch));
        std::string s = objConsole.Title(Index) + ": " + TwoDigitName(eep_.RigN7Eep_GetChName(ch));
        s += " RX Freq = ";
        s += rxInh ? std::string("Inhibit") : ChannelMHz(eep_.RigN7Eep_GetChFreqRxReal(ch));
        s += ", TX Freq = ";
        if (txInh) {
            s += "Inhibit";
        } else {
            const std::int32_t tx = eep_.RigN7Eep_GetChFreqTxReal(ch);
            // A simplex channel shows an arrow; with receive inhibited there is
            // nothing to point at, so the frequency is shown in full.
            if (!rxInh && tx == eep_.RigN7Eep_GetChFreqRxReal(ch))
                s += "  <-   ";
            else
                s += ChannelMHz(tx);
        }
        s += "  RF Power: ";
        s += PowerText(eep_.RigN7Eep_GetChRFPower(ch));
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
            double hz = eep_.RigN7Eep_GetChFreqTxReal(curChannel);
            // The second phase sets the transmitter 10 ppm above the channel.
            if (txfPhase2) hz *= 1.00001;
            s += FormatNumber(hz / 1000000.0, "#000.####0MHz");
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
    case rign7ev::kDispSMeter: {
        const std::string s = objConsole.Title(Index);
        if (!SMeterRunning()) return s + ": [Enter] to Start";
        return s + (smPhase2 ? ": RSSI S1 Level " : ": RSSI S3 Level ");
    }
    default:
        return "???";
    }
}

void clsIndOp_RigN7::ConsEv_SendE8(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                                   std::int16_t val) {
    if (evNo != rign7ev::kSendChannel) return;
    // The transceiver numbers its channels from 1. No settle time follows.
    const std::int16_t ch = ChOfValue(val);
    link_.easySendE8NoAnswer(ByteToHexStr(objConsole.E8Command(Index)) +
                             ByteToAsciiHexStr(static_cast<std::int16_t>(ch + 1)));
    curChannel = ch;
}

void clsIndOp_RigN7::ConsEv_Enter(clsConsole&, std::int16_t Index, std::int16_t evNo, std::int16_t) {
    switch (evNo) {
    case rign7ev::kEnterTxf:
        if (TxfRunning()) {
            txfEnter = true;  // the waiting step acts on it
            return;
        }
        CancelProcedure();
        txfTableReady = false;
        txfPhase2 = false;
        procStep = 1;
        return;
    case rign7ev::kEnterSMeter:
        if (SMeterRunning()) {
            smEnter = true;
            return;
        }
        CancelProcedure();
        smPhase2 = false;
        procStep = 6;
        return;
    case rign7ev::kEnterBpfT1:
    case rign7ev::kEnterBpfT1 + 1:
    case rign7ev::kEnterBpfT1 + 2:
    case rign7ev::kEnterBpfT1 + 3:
    case rign7ev::kEnterBpfAll:
        // A running sweep is not interrupted by another band-pass item.
        if (BpfRunning()) return;
        for (std::size_t k = 0; k < 4; ++k) bpfSelect[k] = false;
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
        return;
    default:
        return;
    }
}
