#include "link/LinkStandIns.h"

#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "shell/Common.h"

bool DefaultSubNameCheck::RigOpFunc_CheckSubNameLegal(const std::string& subName) {
    return subName.substr(0, 2) <= "01";
}

std::string CloneErrText(bool errCannotOpen, std::int16_t comPortNum, bool errOverflow, std::int16_t lastError,
                         std::int16_t seqError) {
    const std::string nl = "\r\n";
    const std::string heading = "Check the following:";
    const std::string port = "- The COM port settings.";
    const std::string cable = "- Cloning cable connections.";
    const std::string power = "- Transceiver power is ON.";
    const std::string full = nl + nl + heading + nl + port + nl + cable + nl + power;
    if (errCannotOpen) return "Cannot access COM" + std::to_string(comPortNum) + "." + full;
    if (errOverflow) return "COM buffer overflow." + full;
    if (lastError != 0) {
        switch (lastError) {
        case 2: return "No answer from transceiver." + full;
        case 3: return "Illegal data." + full;
        case 5: return "Data overflow." + full;
        case 7: return "Cannot write cloning data." + nl + nl + heading + nl + cable + nl + power;
        default: return "Cannot Clone." + nl + nl + heading + nl + nl + port + nl + cable + nl + power;
        }
    }
    switch (seqError) {
    case 0: return "Communication failed." + nl + nl + heading + nl + cable + nl + power;
    case 2: return "Version number does not match" + nl + "for this transceiver.";
    default: return "Cannot Clone." + full;
    }
}

void SimpleMainWindowLink::task() {
    seq_.task();
    if (seq_.OpRunning()) seq_.task();
}

void SimpleMainWindowLink::MsgBoxCloneErr(clsCmcXfr3Sequence& myObjXfr3Seq) {
    const std::string text = CloneErrText(com_.errCannotOpen(), com_.comPortNum(), com_.errOverflow(),
                                          com_.xfr3D().lastError(), myObjXfr3Seq.error());
    myObjXfr3Seq.easyReset(myObjXfr3Seq.ComPortNo());
    messages.push_back(text);
    MsgBoxErr(text);
}
