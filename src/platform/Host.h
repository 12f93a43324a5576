#pragma once
// Services of the desktop the program runs on: the modal message box, the
// system beep, the program's folder and the previous-instance query.
#include <string>

namespace platform {

class IDesktop {
public:
    virtual ~IDesktop() = default;
    // Modal message box with the critical icon, one OK button and the title;
    // returns the code of the button pressed (OK = 1).
    virtual int messageBox(const std::string& text, const std::string& title) = 0;
    virtual void beep() = 0;
    // Folder of the executable, without a trailing separator.
    virtual std::string programFolder() = 0;
    // True when another instance of the program is already running.
    virtual bool previousInstance() = 0;
};

inline constexpr int kMsgBoxOk = 1;

// The desktop the program-wide helpers (MsgBoxErr, Beep) use.
IDesktop& Desktop();
void SetDesktop(IDesktop* desktop);  // nullptr restores a quiet stand-in

} // namespace platform
