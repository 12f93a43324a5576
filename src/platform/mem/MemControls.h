#pragma once
// Controls that record their state, for tests without a display.
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Host.h"

namespace platform {

class MemListBox final : public IListBox {
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
    void setFocus() override { ++focusCount; }

    std::vector<std::string> lines;
    int selected = -1;
    int focusCount = 0;
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
