// The model's texts on the main window: button captions, the headers and
// empty lines of the two read-out lists and the blank progress bar.
#include "model/clsIndOp_RigN7.h"

namespace {

constexpr const char* kCmdCaptions[3] = {"Connect", "Reload(F5)", "Disp para"};
constexpr const char* kReadoutHeaders[2] = {"[A/D]", "[D/A]"};
constexpr int kReadoutLines[2] = {4, 9};
constexpr const char* kEmptyReadout = "----";
constexpr std::size_t kProgressCells = 32;

}  // namespace

void clsIndOp_RigN7::RigOpFunc_FormResource() {
    for (std::size_t i = 0; i < 3; ++i)
        if (frmMain_.cmd00[i]) frmMain_.cmd00[i]->setCaption(kCmdCaptions[i]);
    for (std::size_t k = 0; k < 2; ++k) {
        platform::IListBox* lbo = frmMain_.lbo01[k];
        if (!lbo) continue;
        lbo->clear();
        lbo->addItem(kReadoutHeaders[k]);
        for (int n = 0; n < kReadoutLines[k]; ++n) lbo->addItem(kEmptyReadout);
    }
    if (frmMain_.lblProgress) frmMain_.lblProgress->setCaption(std::string(kProgressCells, ' '));
}
