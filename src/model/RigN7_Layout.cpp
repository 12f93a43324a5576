// The model's texts on the main window: button captions, the headers and
// empty lines of the two read-out lists and the blank progress bar.
#include <cmath>

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

namespace {

constexpr int kWindowWidth = 9525;
constexpr int kButtonW = 1800;
constexpr int kButtonH = 330;
constexpr int kGap = 120;
constexpr int kReadoutFrameH = 2800;

int AtLeast1(int v) { return v < 1 ? 1 : v; }

}  // namespace

void clsIndOp_RigN7::RigOpFunc_FormLayout() {
    const auto& f = frmMain_;
    if (f.window == nullptr) return;
    platform::IWindow& win = *f.window;

    // The first layout sizes and places the window itself: fixed width,
    // 90 % of the screen's height within 6600 .. 8500, centred across and a
    // little above the middle.
    if (!windowSized) {
        windowSized = true;
        int h = static_cast<int>(std::nearbyint(win.screenHeight() * 0.9));  // halves to even
        if (h < 6600) h = 6600;
        if (h > 9000) h = 8500;
        const int left = (win.screenWidth() - kWindowWidth) / 2;
        const int top = static_cast<int>((win.screenHeight() - h) * 0.3);
        win.move(left, top, kWindowWidth, h);
    }

    // Buttons: centred under the separator line, 120 apart.
    const platform::ILine* sep = f.linSepa[1];
    const int x1 = sep ? sep->x1() : 0;
    const int x2 = sep ? sep->x2() : win.scaleWidth();
    const int y1 = sep ? sep->y1() : 0;
    for (int i = 0; i < 3; ++i) {
        platform::IButton* b = f.cmd00[static_cast<std::size_t>(i)];
        if (b == nullptr) continue;
        const int left = x1 + ((x2 - x1) - (3 * kButtonW + 2 * kGap)) / 2 + i * (kButtonW + kGap);
        b->move(left, y1 + kGap, kButtonW, kButtonH);
        b->setTabStop(true);
        b->moveToEndOfTabOrder();
        b->setVisible(true);
    }

    // The title, console and parameter frames share one rectangle below the buttons.
    const platform::IButton* last = f.cmd00[2];
    const int frameTop = last ? last->top() + last->height() : y1 + kGap + kButtonH;
    const int frameW = win.scaleWidth() - 2 * kGap;
    const int frameH = AtLeast1(win.scaleHeight() - frameTop - kGap);
    for (std::size_t k : {std::size_t{0}, std::size_t{1}, std::size_t{3}})
        if (f.fra01[k]) f.fra01[k]->move(kGap, frameTop, frameW, frameH);

    // Read-out frame inside the console frame, the two lists side by side.
    const int roW = frameW - 2 * kGap;
    if (f.fra01[2]) {
        f.fra01[2]->move(kGap, 180, roW, kReadoutFrameH);
        f.fra01[2]->setVisible(true);
    }
    const int listW = (roW - 3 * kGap) / 2;
    const int listH = kReadoutFrameH - kGap;
    if (f.lbo01[0]) {
        f.lbo01[0]->move(kGap, kGap, listW, listH);
        f.lbo01[0]->setVisible(true);
    }
    if (f.lbo01[1]) {
        f.lbo01[1]->move(kGap + listW + kGap, kGap, listW, listH);
        f.lbo01[1]->setVisible(true);
    }

    // Console below the read-outs.
    if (f.lboConsole) {
        const int top = 180 + kReadoutFrameH + kGap;
        f.lboConsole->move(kGap + kGap, top, frameW - 4 * kGap, AtLeast1(frameH - top - 180));
        f.lboConsole->setVisible(true);
    }

    // Title and progress labels centred in the title frame.
    if (f.lblTitle) {
        platform::ILabel& t = *f.lblTitle;
        t.move((frameW - t.width()) / 2, 240, t.width(), t.height());
        t.setVisible(true);
    }
    if (f.lblProgress) {
        platform::ILabel& p = *f.lblProgress;
        const int top = f.lblTitle ? f.lblTitle->top() + f.lblTitle->height() + 240 : 240;
        p.move((frameW - p.width()) / 2, top, p.width(), p.height());
        p.setVisible(true);
    }

    if (f.txtDispPara) {
        f.txtDispPara->move(kGap, 240, frameW - 2 * kGap, AtLeast1(frameH - 360));
        f.txtDispPara->setTabStop(true);
        f.txtDispPara->moveToEndOfTabOrder();
        f.txtDispPara->setVisible(true);
    }
}
