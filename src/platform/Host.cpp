#include "platform/Host.h"

#include <cstdio>

namespace platform {
namespace {

// Used until the program or a test installs its own desktop: messages go to
// standard error so they are never lost.
class StderrDesktop final : public IDesktop {
public:
    int messageBox(const std::string& text, const std::string& title) override {
        std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
        return kMsgBoxOk;
    }
    void beep() override {}
    std::string programFolder() override { return "."; }
    bool previousInstance() override { return false; }
};

StderrDesktop g_fallback;
IDesktop* g_desktop = nullptr;

} // namespace

IDesktop& Desktop() { return g_desktop ? *g_desktop : g_fallback; }
void SetDesktop(IDesktop* desktop) { g_desktop = desktop; }

} // namespace platform
