#include "service/SafetyNet.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "model/clsIndOp_RigN7.h"
#include "platform/Storage.h"
#include "radio/clsCmcRadio.h"
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
}

void SafetyNet::AfterTick() {
    // Taken first: ticks go on while the box is open.
    const std::string notice = record_.TakeNotice();
    if (!notice.empty()) MsgBoxErrText(notice);
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
    c_.showText({"Service record" + (path.empty() ? std::string() : " - " + path), record_.RecordText(), "", ""});
}

void SafetyNet::Revert() {
    if (!op_.RigOpFunc_CanSendValues() || !c_.showText) return;
    const ByteStr asRead = op_.ImageAsRead();
    const std::vector<ValueDifference> diffs = op_.RigOpFunc_Differences(asRead);
    if (diffs.empty()) return;
    const std::string text =
        std::to_string(diffs.size()) + (diffs.size() == 1 ? " value differs" : " values differ") +
        " from the ones read from the radio.\nOK sends the values as read back, one at a time, as "
        "adjustment commands.\n\n" +
        DifferenceTable(diffs, "As read", "Now");
    if (!c_.showText({"Revert to values as read", ExpandNewLine(text), "Revert", ""})) return;
    op_.RigOpFunc_SendValues(asRead, SendSource::Revert);
}

bool SafetyNet::ChooseImageFile(std::string& name, ByteStr& bytes) {
    if (!c_.chooseOpenFile || !c_.showText) return false;
    const std::string path = c_.chooseOpenFile(platform::Storage().dataFolder());
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
                 CompareText(radio_.eepImage().bytes(), file, name, static_cast<int>(diffs.size()), border), "",
                 ""});
}

void SafetyNet::Restore() {
    if (!op_.RigOpFunc_CanSendValues()) return;
    std::string name;
    ByteStr file;
    if (!ChooseImageFile(name, file)) return;
    const ByteStr& radio = radio_.eepImage().bytes();
    const auto diffs = op_.RigOpFunc_Differences(file);
    const auto border = [this](std::int16_t k) { return op_.RigN7Op_Table_Txf_TempBorder(k); };
    const std::string compare = CompareText(radio, file, name, static_cast<int>(diffs.size()), border);
    if (diffs.empty()) {
        c_.showText({"Restore adjustments from " + name,
                     "The adjustments in this file equal the radio's: there is nothing to send.\n\n" + compare, "",
                     ""});
        return;
    }
    if (!c_.showText({"Restore adjustments from " + name, compare, "Restore...", ""})) return;
    const int others = OtherBytesDiffering(radio, file, op_.AdjustableBytes());
    std::string text;
    std::string tick;
    if (others > kForeignImageBytes) {
        text = "This file probably comes from another radio: " + std::to_string(others) +
               " bytes outside the adjustments\n(channels and settings) differ from this radio's. Its "
               "adjustments would replace this radio's own.\n\n";
        tick = "Send the adjustments of this other radio's file all the same";
    }
    text += "OK sends " + std::to_string(diffs.size()) + (diffs.size() == 1 ? " value" : " values") + " of '" +
            name + "' to the radio,\none at a time, as adjustment commands; nothing else of the file is written.\n\n" +
            DifferenceTable(diffs, "File", "Now");
    if (!c_.showText({"Restore adjustments from " + name, ExpandNewLine(text), "Send", tick})) return;
    op_.RigOpFunc_SendValues(file, SendSource::Restore);
}
