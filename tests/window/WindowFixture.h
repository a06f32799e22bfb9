#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/PseudoTerminal.h"
#include "window/Form1.h"

namespace dimrix::testing {

using Bytes = std::vector<std::uint8_t>;

// The real window with COM1 and COM2 mapped to two pseudo-terminals, shown on the
// offscreen platform, and the ways an operator and an observer deal with it.
class WindowFixture : public ::testing::Test {
protected:
    // Generous, so that slow sanitizer builds pass as well.
    static constexpr std::chrono::milliseconds kDeadline{20000};

    WindowFixture();
    ~WindowFixture() override;

    // A control of the window by object name.
    // Throws std::logic_error if there is none of that type.
    template <typename Widget = QWidget>
    Widget* Find(const QString& name) const {
        auto* widget = m_form->findChild<Widget*>(name);
        if (widget == nullptr) {
            throw std::logic_error("no control " + name.toStdString());
        }
        return widget;
    }

    [[nodiscard]] window::Form1& Form() const { return *m_form; }
    // The text a label, button or text box shows.
    [[nodiscard]] std::string TextOf(const QString& name) const;

    // A left click in the middle of a button.
    void Click(const QString& button) const;
    // A left click in the middle of one part of a scroll bar (an arrow or the track).
    void ClickOn(const QString& scrollBar, QStyle::SubControl part) const;
    // Where a part of a scroll bar is drawn, in the scroll bar's coordinates.
    [[nodiscard]] static QRect PartOf(const QScrollBar& bar, QStyle::SubControl part);

    // Runs the event loop until the condition holds or the deadline passes.
    [[nodiscard]] static bool WaitUntil(const std::function<bool()>& condition);
    // Runs the event loop until the fade timer has ticked this many more times.
    void LetTicksPass(int ticks) const;
    // Presses GO and waits until COM1's device is open.
    void Connect();
    // Waits for `expected` on the line, lets the window run a few more ticks, then
    // checks that the line carried exactly that.
    // Lets the bytes already queued reach the line, then forgets everything it carried.
    void Forget(PseudoTerminal& line) const;
    [[nodiscard]] ::testing::AssertionResult Carries(PseudoTerminal& line,
                                                     const Bytes& expected) const;

    PseudoTerminal m_com1;
    PseudoTerminal m_com2;

private:
    std::unique_ptr<window::Form1> m_form;
};

// Byte strings one after the other.
[[nodiscard]] Bytes Join(std::initializer_list<Bytes> parts);

}  // namespace dimrix::testing
