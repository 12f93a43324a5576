#pragma once
// The main window's controls, by the names the program uses. The Qt window
// fills this with widget adapters; tests fill it with recording controls.
// Control arrays keep their indexes (the port menu from 1).
#include <array>
#include <functional>
#include <string>

#include "platform/Controls.h"

namespace platform {

struct MainWindowControls {
    IWindow* window = nullptr;
    ILabel* lblComBusy = nullptr;
    std::array<IButton*, 3> cmd00{};
    std::array<IFrame*, 4> fra01{};
    IListBox* lboConsole = nullptr;
    std::array<IListBox*, 2> lbo01{};
    ILabel* lblTitle = nullptr;
    ILabel* lblProgress = nullptr;
    ITextBox* txtDispPara = nullptr;
    std::array<ILine*, 2> linSepa{};
    std::array<IMenuItem*, 5> mnuOptSelCom{};            // 1..4 used
    std::array<IMenuItem*, 6> mnuOptionSelAutoRelease{};  // 0..5
    IMenuItem* mnuFileSaveImage = nullptr;               // backup of the image read
    // Asks the user for a file to save to; empty when cancelled.
    std::function<std::string(const std::string& suggestedName)> chooseSaveFile;
};

} // namespace platform
