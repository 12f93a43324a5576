#pragma once
// Recording controls for the main window's parts the model operation draws
// on: its buttons, the two read-out lists, the console list, the progress
// label and the parameter text.
#include <cstddef>

#include "platform/MainWindowControls.h"
#include "platform/mem/MemControls.h"

namespace testsupport {

struct MemWindowControls {
    platform::MemButton cmd[3];
    platform::MemListBox lbo01[2];
    platform::MemListBox lboConsole;
    platform::MemLabel lblProgress;
    platform::MemTextBox txtDispPara;

    platform::MainWindowControls Controls() {
        platform::MainWindowControls c;
        for (std::size_t i = 0; i < 3; ++i) c.cmd00[i] = &cmd[i];
        for (std::size_t i = 0; i < 2; ++i) c.lbo01[i] = &lbo01[i];
        c.lboConsole = &lboConsole;
        c.lblProgress = &lblProgress;
        c.txtDispPara = &txtDispPara;
        return c;
    }
};

} // namespace testsupport
