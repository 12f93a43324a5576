#include "service/SafetyNet.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "model/clsIndOp_RigN7.h"
#include "platform/Storage.h"
#include "radio/clsCmcRadio.h"
#include "service/Fingerprint.h"
#include "service/ImageCompare.h"
#include "service/ServiceRecord.h"
#include "shell/Common.h"

namespace {

// Writes the bytes to a temporary file beside path and renames it over path,
// so an existing file is either replaced whole or left as it was.
bool SaveFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

std::string Values(std::size_t n) { return std::to_string(n) + (n == 1 ? " value" : " values"); }

// "Revert"/"Restore" and their forms for the status and the end.
const char* Doing(SendSource s) { return s == SendSource::Restore ? "Restoring" : "Reverting"; }
const char* Done(SendSource s) { return s == SendSource::Restore ? "Restored" : "Reverted"; }
const char* Noun(SendSource s) { return s == SendSource::Restore ? "restore" : "revert"; }

}  // namespace

SafetyNet::SafetyNet(clsIndOp_RigN7& op, clsCmcRadio& radio, clsServiceRecord& record,
                     const platform::MainWindowControls& controls)
    : op_(op), radio_(radio), record_(record), c_(controls) {}

void SafetyNet::RefreshMenus() {
    if (c_.mnuFileSaveImage) c_.mnuFileSaveImage->setEnabled(op_.ImageComplete());
    if (c_.mnuFileServiceRecord) c_.mnuFileServiceRecord->setEnabled(record_.HasRecord());
    if (c_.mnuFileRevert)
        c_.mnuFileRevert->setEnabled(op_.RigOpFunc_CanSendValues() &&
                                     !op_.RigOpFunc_Differences(op_.ImageAsRead()).empty());
    if (c_.mnuFileCompare) c_.mnuFileCompare->setEnabled(op_.ImageComplete());
    if (c_.mnuFileRestore) c_.mnuFileRestore->setEnabled(op_.RigOpFunc_CanSendValues());
    if (c_.mnuFileVerify) c_.mnuFileVerify->setEnabled(op_.RigOpFunc_CanVerify());
    if (c_.lblSafetyNet) {
        const std::string text = StatusText();
        if (c_.lblSafetyNet->caption() != text) c_.lblSafetyNet->setCaption(text);
    }
}

std::string SafetyNet::StatusText() const {
    std::string s;
    const auto add = [&s](const std::string& part) { s += (s.empty() ? "" : " - ") + part; };
    if (op_.ValuesPending() > 0)
        add(std::string(Doing(op_.SendingSource())) + " " + std::to_string(op_.SendingDone() + 1) + " of " +
            std::to_string(op_.SendingTotal()));
    if (op_.Verifying()) add("Verifying the radio");
    else if (op_.ValuesUnverified() > 0) add(Values(op_.ValuesUnverified()) + " sent, not verified");
    if (record_.OnlyInMemory()) add("Service record only in memory, not on disk");
    return s;
}

void SafetyNet::AfterTick() {
    // Each is taken before its box opens: ticks go on while it is shown.
    const std::string notice = record_.TakeNotice();
    if (!notice.empty()) MsgBoxErrText(notice);
    TellNotSent();
    TellSendingEnded();
    TellVerifyOutcome();
}

void SafetyNet::TellNotSent() {
    const auto notSent = record_.TakeNotSent();
    if (!notSent || notSent->values.empty() || closing_) return;
    const SendSource source = notSent->values.front().source;
    const std::size_t n = notSent->values.size();
    std::string text = std::string("The ") + Noun(source) + " was ended by " + notSent->cause + ": " + Values(n) +
                       (n == 1 ? " was" : " were") + " not sent back.\r\n\r\n";
    for (const SentValue& v : notSent->values)
        text += "  " + v.item + " (address " + std::to_string(v.adr) + "): the radio keeps " +
                service::ShownByte(v.before, v.isSigned) + ", not " + service::ShownByte(v.sent, v.isSigned) + "\r\n";
    text += "\r\nThe service record lists them. A ";
    text += source == SendSource::Restore ? "restore from the same file" : "restore from this connection's archive";
    text += " sends what still differs.";
    MsgBoxErrText(text);
}

void SafetyNet::TellSendingEnded() {
    const int sent = op_.TakeSendingEnded();
    if (sent <= 0 || !c_.showText) return;
    const SendSource source = op_.SendingSource();
    const std::string text = std::string(Done(source)) + ": " + Values(static_cast<std::size_t>(sent)) +
                             " sent \xE2\x80\x94 verify now?\n\nVerify reads the radio again and shows whether it "
                             "holds every value sent.";
    if (c_.showText({std::string(Done(source)), text, "&Verify", ""})) Verify();
}

void SafetyNet::TellVerifyOutcome() {
    const auto outcome = record_.TakeVerifyOutcome();
    if (!outcome || !c_.showText) return;
    if (!outcome->refused.empty()) {
        MsgBoxErrText(outcome->refused);
        return;
    }
    if (outcome->result) c_.showText({"Verify radio", service::VerifyResultText(*outcome->result), "", ""});
}

void SafetyNet::SaveImage() {
    if (!op_.ImageComplete() || !c_.chooseSaveFile) return;
    const std::string path = c_.chooseSaveFile("zt-n7-eeprom.bin");
    if (path.empty()) return;
    // The radio's memory as it was read, not the copy the adjustments
    // since have changed: a backup to go back to.
    if (!SaveFileAtomically(path, op_.ImageAsRead())) MsgBoxErr("Cannot save the EEPROM image to '" + path + "'.");
}

void SafetyNet::ShowRecord() {
    if (!record_.HasRecord() || !c_.showText) return;
    const std::string& path = record_.RecordPath();
    if (!record_.OnlyInMemory()) {
        c_.showText({"Service record" + (path.empty() ? std::string() : " - " + path), record_.RecordText(), "", ""});
        return;
    }
    // Not on disk: the user can keep it elsewhere.
    if (!c_.showText({"Service record - only in memory, not on disk", record_.RecordText(), "&Save as...", ""}))
        return;
    if (!c_.chooseSaveFile) return;
    const std::size_t sep = path.find_last_of("/\\");
    const std::string name = path.empty() ? "zt-n7-service-record.csv" : path.substr(sep == std::string::npos ? 0 : sep + 1);
    const std::string target = c_.chooseSaveFile(name);
    if (target.empty()) return;
    const std::string& text = record_.RecordText();
    if (SaveFileAtomically(target, std::vector<std::uint8_t>(text.begin(), text.end())))
        record_.SavedElsewhere();
    else
        MsgBoxErrText("Cannot save the service record to '" + target + "'.");
}

void SafetyNet::Revert() {
    if (!op_.RigOpFunc_CanSendValues() || !c_.showText) return;
    const ByteStr asRead = op_.ImageAsRead();
    const std::vector<ValueDifference> diffs = op_.RigOpFunc_Differences(asRead);
    if (diffs.empty()) return;
    const std::string text =
        std::to_string(diffs.size()) + (diffs.size() == 1 ? " value differs" : " values differ") +
        " from the ones read from the radio.\nRevert sends the values as read back, one at a time, as "
        "adjustment commands.\n\n" +
        DifferenceTable(diffs, "As read", "Now");
    if (!c_.showText({"Revert to values as read", ExpandNewLine(text), "&Revert", ""})) return;
    op_.RigOpFunc_SendValues(asRead, SendSource::Revert);
}

void SafetyNet::Verify() {
    op_.RigOpFunc_Verify();
}

bool SafetyNet::ChooseImageFile(std::string& name, ByteStr& bytes) {
    if (!c_.chooseOpenFile || !c_.showText) return false;
    // This unit's archives first.
    const std::string fp = record_.Fingerprint();
    const std::string path =
        c_.chooseOpenFile(platform::Storage().dataFolder(), fp.empty() ? std::string() : "*_" + fp + "_*.bin");
    if (path.empty()) return false;
    const ImageFile f = ReadImageFile(path);
    if (!f.ok) {
        MsgBoxErrText(f.error);
        return false;
    }
    const std::size_t sep = path.find_last_of("/\\");
    name = sep == std::string::npos ? path : path.substr(sep + 1);
    bytes = f.bytes;
    return true;
}

void SafetyNet::Compare() {
    if (!op_.ImageComplete()) return;
    std::string name;
    ByteStr file;
    if (!ChooseImageFile(name, file)) return;
    const auto diffs = op_.RigOpFunc_Differences(file);
    const auto border = [this](std::int16_t k) { return op_.RigN7Op_Table_Txf_TempBorder(k); };
    c_.showText({"Compare with " + name,
                 CompareText(radio_.eepImage().bytes(), file, name, static_cast<int>(diffs.size()), border,
                             op_.AdjustableBytes()),
                 "", ""});
}

void SafetyNet::Restore() {
    if (!op_.RigOpFunc_CanSendValues()) return;
    std::string name;
    ByteStr file;
    if (!ChooseImageFile(name, file)) return;
    const ByteStr& radio = radio_.eepImage().bytes();
    const auto diffs = op_.RigOpFunc_Differences(file);
    const auto border = [this](std::int16_t k) { return op_.RigN7Op_Table_Txf_TempBorder(k); };
    const std::string compare =
        CompareText(radio, file, name, static_cast<int>(diffs.size()), border, op_.AdjustableBytes());
    if (diffs.empty()) {
        c_.showText({"Restore adjustments from " + name,
                     "The adjustments in this file equal the radio's: there is nothing to send.\n\n" + compare, "",
                     ""});
        return;
    }
    if (!c_.showText({"Restore adjustments from " + name,
                      "Restore... shows the values a restore sends, to confirm.\n\n" + compare, "&Restore...", ""}))
        return;
    // The unit is told by its factory values, not by its channels.
    const std::string mine = service::UnitFingerprint(op_.ImageAsRead());
    const std::string theirs = service::UnitFingerprint(file);
    std::string text;
    std::string tick;
    if (mine != theirs) {
        text = "This file comes from another unit: its fingerprint is " + theirs + ", this radio's is " + mine +
               "\n(the factory slants, tone and modulation corrections and base frequency differ), whatever "
               "the channels hold.\nIts adjustments would replace this radio's own.\n\n";
        tick = "Send the adjustments of this other unit's file all the same";
    }
    text += "Send sends " + Values(diffs.size()) + " of '" + name +
            "' to the radio,\none at a time, as adjustment commands; nothing else of the file is written.\n\n" +
            DifferenceTable(diffs, "File", "Now");
    if (!c_.showText({"Restore adjustments from " + name, ExpandNewLine(text), "&Send", tick})) return;
    op_.RigOpFunc_SendValues(file, SendSource::Restore);
}

std::string SafetyNet::PendingList() const {
    std::string s;
    for (const SentValue& v : op_.PendingValues())
        s += "  " + v.item + " (address " + std::to_string(v.adr) + "): " + service::ShownByte(v.sent, v.isSigned) +
             "\n";
    return s;
}

bool SafetyNet::MayClose() {
    if (!c_.showText) return true;
    std::string text;
    if (op_.ValuesPending() > 0)
        text += std::string("The ") + Noun(op_.SendingSource()) + " has not sent " + Values(op_.ValuesPending()) +
                " back yet:\n" + PendingList() + "Closing ends it; the radio keeps its present values.\n\n";
    if (record_.UnsavedInMemory())
        text += "The service record of this connection is only in memory, not on disk: closing loses it.\nFile, "
                "Service record... saves it elsewhere.\n\n";
    if (text.empty()) return true;
    if (!c_.showText({"Close the program", text + "Close ends the program all the same.", "&Close", ""})) return false;
    closing_ = true;
    op_.RigOpFunc_DropPending("closing the window");
    return true;
}

bool SafetyNet::MayStartProcedure() {
    if (op_.ValuesPending() == 0 || !c_.showText) return true;
    const std::string text = std::string("The ") + Noun(op_.SendingSource()) + " has not sent " +
                             Values(op_.ValuesPending()) + " back yet:\n" + PendingList() +
                             "A guided procedure ends it; the radio keeps its present values.\n\nStart starts the "
                             "procedure all the same.";
    return c_.showText({"Start a guided procedure", text, "&Start", ""});
}
