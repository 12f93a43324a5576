#include "link/LinkStandIns.h"

#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "shell/CloneErrMessage.h"
#include "shell/Common.h"

bool DefaultSubNameCheck::RigOpFunc_CheckSubNameLegal(const std::string& subName) {
    return subName.substr(0, 2) <= "01";
}

std::string CloneErrText(bool errCannotOpen, std::int16_t comPortNum, bool errOverflow, std::int16_t lastError,
                         std::int16_t seqError) {
    return CloneErrMessage({errCannotOpen, comPortNum, errOverflow, lastError, seqError});
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
