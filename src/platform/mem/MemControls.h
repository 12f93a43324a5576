#pragma once
// Controls that record their state, for tests without a display.
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Host.h"

namespace platform {

class MemControl : public virtual IControl {
public:
    int left() const override { return l; }
    int top() const override { return t; }
    int width() const override { return w; }
    int height() const override { return h; }
    void move(int left, int top, int width, int height) override { l = left; t = top; w = width; h = height; }
    bool visible() const override { return shown; }
    void setVisible(bool on) override { shown = on; }
    void setFocus() override { ++focusCount; }
    void setTabStop(bool on) override { tabStop = on; }
    void moveToEndOfTabOrder() override { tabOrderSerial = ++tabCounter(); }

    static int& tabCounter() { static int n = 0; return n; }
    int l = 0, t = 0, w = 0, h = 0;
    bool shown = true;
    bool tabStop = false;
    int focusCount = 0;
    int tabOrderSerial = 0;
};

class MemListBox final : public MemControl, public IListBox {
public:
    void clear() override { lines.clear(); selected = -1; }
    void addItem(const std::string& text) override { lines.push_back(text); }
    int listCount() const override { return static_cast<int>(lines.size()); }
    std::string list(int index) const override {
        return index >= 0 && index < listCount() ? lines[static_cast<std::size_t>(index)] : std::string();
    }
    void setList(int index, const std::string& text) override {
        if (index >= 0 && index < listCount()) lines[static_cast<std::size_t>(index)] = text;
    }
    int listIndex() const override { return selected; }
    void setListIndex(int index) override { selected = index; }

    std::vector<std::string> lines;
    int selected = -1;
};

class MemLabel final : public MemControl, public ILabel {
public:
    std::string caption() const override { return text; }
    void setCaption(const std::string& t) override { text = t; }
    void setForeColor(SysColor c) override { color = c; }
    std::string text;
    SysColor color = SysColor::ButtonText;
};

class MemButton final : public MemControl, public IButton {
public:
    std::string caption() const override { return text; }
    void setCaption(const std::string& t) override { text = t; }
    bool enabled() const override { return isEnabled; }
    void setEnabled(bool on) override { isEnabled = on; }
    void setDefault(bool on) override { isDefault = on; }
    void setCancel(bool on) override { isCancel = on; }
    std::string text;
    bool isEnabled = true;
    bool isDefault = false;
    bool isCancel = false;
};

class MemFrame final : public MemControl, public IFrame {};

class MemTextBox final : public MemControl, public ITextBox {
public:
    std::string text() const override { return value; }
    void setText(const std::string& t) override { value = t; }
    std::string value;
};

class MemLine final : public ILine {
public:
    int x1() const override { return ax; }
    int x2() const override { return bx; }
    int y1() const override { return ay; }
    int y2() const override { return by; }
    void setPoints(int x1, int y1, int x2, int y2) override { ax = x1; ay = y1; bx = x2; by = y2; }
    void setColor(SysColor c) override { color = c; }
    int ax = 0, ay = 0, bx = 0, by = 0;
    SysColor color = SysColor::ButtonShadow;
};

class MemMenuItem final : public IMenuItem {
public:
    bool checked() const override { return isChecked; }
    void setChecked(bool on) override { isChecked = on; }
    bool enabled() const override { return isEnabled; }
    void setEnabled(bool on) override { isEnabled = on; }
    bool isChecked = false;
    bool isEnabled = true;
};

class MemWindow final : public IWindow {
public:
    std::string caption() const override { return title; }
    void setCaption(const std::string& t) override { title = t; }
    int left() const override { return l; }
    int top() const override { return t; }
    int width() const override { return w; }
    int height() const override { return h; }
    void move(int left, int top, int width, int height) override { l = left; t = top; w = width; h = height; }
    // Inner size: the outer size less a fixed border, caption and menu bar.
    int scaleWidth() const override { return w - 120; }
    int scaleHeight() const override { return h - 690; }
    int screenWidth() const override { return screenW; }
    int screenHeight() const override { return screenH; }
    void close() override { ++closeCount; }
    std::string title;
    int l = 0, t = 0, w = 11580, h = 8745;
    int screenW = 19200, screenH = 10800;
    int closeCount = 0;
};

// Records every message and beep instead of showing them.
class MemDesktop final : public IDesktop {
public:
    int messageBox(const std::string& text, const std::string& title) override {
        messages.push_back(text);
        titles.push_back(title);
        return kMsgBoxOk;
    }
    void beep() override { ++beeps; }
    std::string programFolder() override { return folder; }
    bool previousInstance() override { return otherInstance; }

    std::vector<std::string> messages;
    std::vector<std::string> titles;
    int beeps = 0;
    std::string folder = ".";
    bool otherInstance = false;
};

} // namespace platform
