#pragma once

/// @file
/// The whole behaviour of the Dimrix window, free of any widget toolkit.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "panel/BoardTable.h"
#include "panel/PanelListener.h"
#include "panel/SliderModel.h"
#include "panel/TimerSettings.h"
#include "protocol/Frames.h"
#include "protocol/Protocol.h"
#include "serial/SerialLink.h"

namespace dimrix::panel {

/// Text of the connect button once a port has been opened.
inline constexpr const char* kOnlineCaption = "Online";

/// Every control value the panel reads or writes, the per-board tables, and one
/// operation per handled window event.
///
/// Operations run one at a time, except that assigning a slider a new value runs that
/// slider's Change handler nested inside the assignment. Operations that send trap
/// link failures and hand them to the listener as a report; the rest trap nothing.
/// The current board is whatever Text1 says, read afresh at every use.
class PanelModel {
public:
    using Level = protocol::Level;
    using Address = protocol::Address;

    /// Creates the panel in its start state: port closed, board 128, every level,
    /// table and fade at zero. Nothing is sent and no handler runs.
    /// @param port     the device behind the link
    /// @param listener the view; it must outlive the model
    PanelModel(std::unique_ptr<serial::PortService> port, PanelListener& listener);
    PanelModel(const PanelModel&) = delete;
    PanelModel& operator=(const PanelModel&) = delete;

    /// @name Controls
    /// The sliders are returned mutable: SetValue, DragTo and EndDrag on them are how
    /// operator moves enter the panel.
    ///@{
    /// Channel slider of channel 0..7 (top 100, bottom 0).
    SliderModel& VScroll1(int index);
    [[nodiscard]] const SliderModel& VScroll1(int index) const;
    /// Read-out under a channel slider.
    [[nodiscard]] const std::string& Label2(int index) const;
    /// Master slider (top 100, bottom 0).
    SliderModel& VScroll2() { return m_vScroll2; }
    [[nodiscard]] const SliderModel& VScroll2() const { return m_vScroll2; }
    /// Read-out under the master slider.
    [[nodiscard]] const std::string& Label12() const { return m_label12; }
    /// Address slider (top 158, bottom 128).
    SliderModel& VScroll3() { return m_vScroll3; }
    [[nodiscard]] const SliderModel& VScroll3() const { return m_vScroll3; }
    /// The selected board's address in decimal: the only place it is held.
    [[nodiscard]] const std::string& Text1() const { return m_text1; }
    /// Whether "COM1" is the port choice.
    [[nodiscard]] bool Option1() const { return m_portChoice == serial::kFirstPort; }
    /// Whether "COM2" is the port choice.
    [[nodiscard]] bool Option2() const { return m_portChoice == serial::kSecondPort; }
    /// The operator picks COM1 (1) or COM2 (2); it takes effect at the next connect.
    /// @throws std::out_of_range for any other number.
    void SelectPort(std::int16_t portNumber);
    /// The device a port choice stands for, for the operator.
    [[nodiscard]] std::string PortDescription(std::int16_t portNumber) const;
    /// Caption of the connect button: "GO", then "Online".
    [[nodiscard]] const std::string& Command1Caption() const { return m_command1Caption; }
    /// Tooltip of the connect button: "Online: " and the device the last connect opened
    /// ("Online: /dev/ttyUSB0"); empty before any connect and after a failed one.
    [[nodiscard]] const std::string& Command1ToolTip() const { return m_command1ToolTip; }
    ///@}

    /// @name State
    ///@{
    [[nodiscard]] const LevelTable& Levels() const { return m_levelTable; }
    [[nodiscard]] const FadeTable& Fades() const { return m_fadeTable; }
    /// 1 if "F+" of the channel was last switched on, else 0.
    [[nodiscard]] std::int16_t FadeUpOn(int index) const;
    /// 1 if "F-" of the channel was last switched on, else 0.
    [[nodiscard]] std::int16_t FadeDownOn(int index) const;
    /// The full-refresh timer: 5000 ms, disabled, and nothing enables it.
    [[nodiscard]] TimerSettings Timer1() const { return m_timer1; }
    /// The fade timer: 25 ms, enabled from the start, never stopped.
    [[nodiscard]] TimerSettings Timer2() const { return m_timer2; }
    [[nodiscard]] bool PortIsOpen() const { return m_link.IsOpen(); }
    ///@}

    /// @name Channel and master sliders
    ///@{
    /// Read-out, then the selected board's frame from the live sliders. Traps failures.
    void VScroll1_Change(int index);
    /// Same as VScroll1_Change.
    void VScroll1_Scroll(int index);
    /// Master read-out follows the master slider; nothing is sent.
    void VScroll2_Change();
    /// Same as VScroll2_Change.
    void VScroll2_Scroll();
    ///@}

    /// @name Board selection
    ///@{
    /// Parks the live levels of the board being left (clearing its fades), selects the
    /// slider's board and loads its stored levels, each changed slider sending.
    void VScroll3_Change();
    /// As VScroll3_Change, but the left board's fades stay for when it comes back.
    void VScroll3_Scroll();
    ///@}

    /// @name Buttons
    ///@{
    /// "GO": closes the port if open, opens the chosen one, caption "Online". A port
    /// that will not open is reported; the caption stays and the panel goes on.
    void Command1_Click();
    /// "All OFF".
    void Command2_Click();
    /// "ALL 10%".
    void Command3_Click();
    /// "ALL 30%".
    void Command7_Click();
    /// "ALL 50%".
    void Command4_Click();
    /// "ALL 70%".
    void Command8_Click();
    /// "ALL 100%".
    void Command5_Click();
    /// "SEND": the master level to every board, then to every slider and table entry.
    void Command6_Click();
    /// "F+" of a channel: toggles its upward fade.
    void Command9_Click(int index);
    /// "F-" of a channel: toggles its downward fade.
    void Command10_Click(int index);
    ///@}

    /// @name Timers and window
    ///@{
    /// One fade step on every fading channel of the selected board. A step whose send
    /// fails (it is reported once) ends that channel's fade: mode and flags are cleared.
    /// Returns without doing anything while another operation is running: a report
    /// box runs a nested event loop, and a tick must never run inside a handler.
    void Timer2_Timer();
    /// Stores the live sliders, then resends every board's stored levels (310 bytes).
    /// Skipped while another operation is running, as Timer2_Timer. Traps failures.
    void Timer1_Timer();
    /// The window is closing: closes the port if it is open.
    void Form_Unload();
    ///@}

private:
    class HandlerScope;

    void BindSliders();
    void ChannelSliderMoved(int index);
    void MasterSliderMoved();
    void StepFade(int channel, int step);
    void SwitchBoard(bool clearFades);
    void SendPreset(protocol::Preset preset);
    void SetAllLevels(Level level);
    [[nodiscard]] Address CurrentAddress() const;
    [[nodiscard]] protocol::ChannelLevels LiveLevels() const;
    void SetText(std::string& text, std::string value, ControlId control);
    template <typename Body>
    void RunTrapped(Body&& body);

    PanelListener& m_listener;
    serial::SerialLink m_link;
    std::array<SliderModel, protocol::kChannelCount> m_vScroll1;
    std::array<std::string, protocol::kChannelCount> m_label2;
    SliderModel m_vScroll2;
    std::string m_label12;
    SliderModel m_vScroll3;
    std::string m_text1;
    std::int16_t m_portChoice = serial::kFirstPort;
    std::string m_command1Caption;
    std::string m_command1ToolTip;
    LevelTable m_levelTable;
    FadeTable m_fadeTable;
    std::array<std::int16_t, protocol::kChannelCount> m_fadeUpOn{};
    std::array<std::int16_t, protocol::kChannelCount> m_fadeDownOn{};
    TimerSettings m_timer1;
    TimerSettings m_timer2;
    int m_handlerDepth = 0;
    /// Send failures reported so far; a fade step compares it to learn that its own
    /// nested send failed.
    std::uint64_t m_failureReports = 0;
};

}  // namespace dimrix::panel
