#pragma once
// Widget adapters for the control interfaces. Geometry crosses over in
// twips (1/1440 inch) and is converted with the widget's logical DPI.
#include <QAbstractButton>
#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <string>

#include "platform/Controls.h"

namespace platform::qt {

// Twips <-> pixels for a widget (96 dpi when the widget has no screen yet).
int TwipsToPx(const QWidget* w, int twips);
int PxToTwips(const QWidget* w, int px);
QColor SystemColor(const QWidget* w, SysColor c);
QString ToQ(const std::string& s);     // CR LF become line breaks
std::string FromQ(const QString& s);

// Keeps the order in which controls were moved to the end of the tab order.
class TabChain {
public:
    void append(QWidget* w) {
        if (last_ != nullptr && last_ != w) QWidget::setTabOrder(last_, w);
        last_ = w;
    }

private:
    QWidget* last_ = nullptr;
};

// IControl for any widget.
class WidgetControl : public virtual IControl {
public:
    WidgetControl(QWidget* w, TabChain* tabs) : w_(w), tabs_(tabs) {}
    int left() const override { return PxToTwips(w_, w_->x()); }
    int top() const override { return PxToTwips(w_, w_->y()); }
    int width() const override { return PxToTwips(w_, w_->width()); }
    int height() const override { return PxToTwips(w_, w_->height()); }
    void move(int left, int top, int width, int height) override {
        w_->setGeometry(TwipsToPx(w_, left), TwipsToPx(w_, top), TwipsToPx(w_, width), TwipsToPx(w_, height));
    }
    // The control's own visibility (the window itself may not be shown yet).
    bool visible() const override { return !w_->isHidden(); }
    void setVisible(bool on) override { w_->setVisible(on); }
    void setFocus() override { w_->setFocus(Qt::OtherFocusReason); }
    void setTabStop(bool on) override { w_->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }
    void moveToEndOfTabOrder() override {
        if (tabs_ != nullptr) tabs_->append(w_);
    }
    QWidget* widget() const { return w_; }

protected:
    QWidget* w_;
    TabChain* tabs_;
};

class QtListBox final : public WidgetControl, public IListBox {
public:
    QtListBox(QListWidget* w, TabChain* tabs) : WidgetControl(w, tabs), list_(w) {}
    void clear() override { list_->clear(); }
    void addItem(const std::string& text) override { list_->addItem(ToQ(text)); }
    int listCount() const override { return list_->count(); }
    std::string list(int index) const override {
        auto* it = list_->item(index);
        return it ? FromQ(it->text()) : std::string();
    }
    void setList(int index, const std::string& text) override {
        if (auto* it = list_->item(index)) it->setText(ToQ(text));
    }
    int listIndex() const override { return list_->currentRow(); }
    void setListIndex(int index) override { list_->setCurrentRow(index); }

private:
    QListWidget* list_;
};

class QtLabel final : public WidgetControl, public ILabel {
public:
    QtLabel(QLabel* w, TabChain* tabs, bool autoSize) : WidgetControl(w, tabs), label_(w), autoSize_(autoSize) {}
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override {
        if (text == caption_) return;
        caption_ = text;
        label_->setText(ToQ(text));
        if (autoSize_) label_->adjustSize();
    }
    void setForeColor(SysColor c) override {
        QPalette p = label_->palette();
        p.setColor(QPalette::WindowText, SystemColor(label_, c));
        label_->setPalette(p);
    }

private:
    QLabel* label_;
    bool autoSize_;
    std::string caption_;
};

class QtButton final : public WidgetControl, public IButton {
public:
    QtButton(QPushButton* w, TabChain* tabs) : WidgetControl(w, tabs), button_(w) {}
    std::string caption() const override { return FromQ(button_->text()); }
    void setCaption(const std::string& text) override { button_->setText(ToQ(text)); }
    bool enabled() const override { return button_->isEnabled(); }
    void setEnabled(bool on) override { button_->setEnabled(on); }
    void setDefault(bool on) override { button_->setDefault(on); }
    void setCancel(bool on) override { cancel_ = on; }
    bool isCancel() const { return cancel_; }
    QPushButton* button() const { return button_; }

private:
    QPushButton* button_;
    bool cancel_ = false;
};

class QtFrame final : public WidgetControl, public IFrame {
public:
    QtFrame(QWidget* w, TabChain* tabs) : WidgetControl(w, tabs) {}
};

class QtTextBox final : public WidgetControl, public ITextBox {
public:
    QtTextBox(QPlainTextEdit* w, TabChain* tabs) : WidgetControl(w, tabs), edit_(w) {}
    std::string text() const override { return text_; }
    void setText(const std::string& text) override {
        text_ = text;
        edit_->setPlainText(ToQ(text));
    }

private:
    QPlainTextEdit* edit_;
    std::string text_;
};

// A line drawn by a thin frame; only horizontal lines are needed.
class QtLine final : public ILine {
public:
    explicit QtLine(QFrame* f) : f_(f) {}
    int x1() const override { return x1_; }
    int x2() const override { return x2_; }
    int y1() const override { return y1_; }
    int y2() const override { return y2_; }
    void setPoints(int x1, int y1, int x2, int y2) override {
        x1_ = x1;
        y1_ = y1;
        x2_ = x2;
        y2_ = y2;
        const int px1 = TwipsToPx(f_, x1), px2 = TwipsToPx(f_, x2), py = TwipsToPx(f_, y1);
        f_->setGeometry(px1, py, std::max(1, px2 - px1), 1);
    }
    void setColor(SysColor c) override {
        QPalette p = f_->palette();
        p.setColor(QPalette::Window, SystemColor(f_, c));
        f_->setAutoFillBackground(true);
        f_->setPalette(p);
    }

private:
    QFrame* f_;
    int x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
};

// A checkable menu action whose mark only the program sets: a click runs
// the handler and leaves the mark as it was until the program sets it.
class QtMenuItem final : public IMenuItem {
public:
    explicit QtMenuItem(QAction* a) : a_(a) {}
    bool checked() const override { return checked_; }
    void setChecked(bool on) override {
        checked_ = on;
        if (a_->isChecked() != on) a_->setChecked(on);
    }
    bool enabled() const override { return a_->isEnabled(); }
    void setEnabled(bool on) override { a_->setEnabled(on); }
    void restore() { a_->setChecked(checked_); }

private:
    QAction* a_;
    bool checked_ = false;
};

} // namespace platform::qt
