#pragma once
// The window controls the core drives. The Qt window implements them with
// widgets; tests use recording controls (platform/mem/MemControls.h).
#include <string>

namespace platform {

class IListBox {
public:
    virtual ~IListBox() = default;
    virtual void clear() = 0;                                  // remove all lines
    virtual void addItem(const std::string& text) = 0;          // append a line
    virtual int listCount() const = 0;                          // number of lines
    virtual std::string list(int index) const = 0;              // text of line i
    virtual void setList(int index, const std::string& text) = 0; // replace line i
    virtual int listIndex() const = 0;                          // selected line, -1 none
    virtual void setListIndex(int index) = 0;
    virtual void setFocus() = 0;
};

} // namespace platform
