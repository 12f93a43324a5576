#pragma once
// The window controls the core drives. The Qt window implements them with
// widgets; tests use recording controls (platform/mem/MemControls.h).
// Geometry is in twips (1/1440 inch), the unit of the window's layout; the
// implementations convert to pixels.
#include <string>

namespace platform {

// Geometry, visibility, focus and tab order, common to every control.
class IControl {
public:
    virtual ~IControl() = default;
    virtual int left() const = 0;
    virtual int top() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void move(int left, int top, int width, int height) = 0;
    virtual bool visible() const = 0;
    virtual void setVisible(bool on) = 0;
    virtual void setFocus() = 0;
    virtual void setTabStop(bool on) = 0;
    // Moves the control to the end of the window's tab order.
    virtual void moveToEndOfTabOrder() = 0;
};

class IListBox : public virtual IControl {
public:
    virtual void clear() = 0;                                    // remove all lines
    virtual void addItem(const std::string& text) = 0;           // append a line
    virtual int listCount() const = 0;                           // number of lines
    virtual std::string list(int index) const = 0;               // text of line i
    virtual void setList(int index, const std::string& text) = 0; // replace line i
    virtual int listIndex() const = 0;                           // selected line, -1 none
    virtual void setListIndex(int index) = 0;
};

// System colours a label's text may take.
enum class SysColor { ButtonText, GrayText, ButtonShadow, ButtonHighlight };

class ILabel : public virtual IControl {
public:
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
    virtual void setForeColor(SysColor color) = 0;
};

class IButton : public virtual IControl {
public:
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool on) = 0;
    // The button Enter presses (default) and the one Esc presses (cancel).
    virtual void setDefault(bool on) = 0;
    virtual void setCancel(bool on) = 0;
};

// A group box.
class IFrame : public virtual IControl {};

class ITextBox : public virtual IControl {
public:
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
};

// A straight line from (x1, y1) to (x2, y2).
class ILine {
public:
    virtual ~ILine() = default;
    virtual int x1() const = 0;
    virtual int x2() const = 0;
    virtual int y1() const = 0;
    virtual int y2() const = 0;
    virtual void setPoints(int x1, int y1, int x2, int y2) = 0;
    virtual void setColor(SysColor color) = 0;
};

class IMenuItem {
public:
    virtual ~IMenuItem() = default;
    virtual bool checked() const = 0;
    virtual void setChecked(bool on) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool on) = 0;
};

// The window itself: caption, outer size and position, inner (client) size,
// and the screen it is on.
class IWindow {
public:
    virtual ~IWindow() = default;
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
    virtual int left() const = 0;
    virtual int top() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void move(int left, int top, int width, int height) = 0;
    virtual int scaleWidth() const = 0;   // inner width
    virtual int scaleHeight() const = 0;  // inner height
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;
    // Closes (unloads) the window; the shutdown path runs from here.
    virtual void close() = 0;
};

} // namespace platform
