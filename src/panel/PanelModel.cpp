#include "panel/PanelModel.h"

#include <charconv>
#include <optional>
#include <stdexcept>
#include <utility>

#include "panel/ErrorReport.h"
#include "serial/LinkError.h"

namespace dimrix::panel {

using protocol::kChannelCount;
using protocol::kFirstAddress;
using protocol::kLastAddress;
using protocol::kMaxLevel;
using protocol::kMinLevel;

namespace {

constexpr const char* kGoCaption = "GO";
// Fades step once per tick; at 25 ms a full 0..100 fade takes 2.5 s.
constexpr TimerSettings kFadeTimer{std::chrono::milliseconds(25), true};
// The refresh burst exists for boards that lose their levels; it starts disabled.
constexpr TimerSettings kRefreshTimer{std::chrono::milliseconds(5000), false};
constexpr std::int16_t kFlagOn = 1;
constexpr std::int16_t kFlagOff = 0;
// One fade step, in levels.
constexpr int kFadeUpStep = 1;
constexpr int kFadeDownStep = -1;

std::string Decimal(int value) {
    return std::to_string(value);
}

std::size_t ChannelSlot(int index) {
    if (index < 0 || index >= kChannelCount) {
        throw std::out_of_range("no channel " + std::to_string(index));
    }
    return static_cast<std::size_t>(index);
}

// Every channel slider has 100 at the top and 0 at the bottom, and starts at 0.
template <std::size_t... Channel>
std::array<SliderModel, sizeof...(Channel)> MakeChannelSliders(std::index_sequence<Channel...>) {
    return {((void)Channel, SliderModel(kMaxLevel, kMinLevel, kMinLevel))...};
}

}  // namespace

// Marks an operation as running, so that timer ticks delivered by a report box's
// nested event loop can tell they would land inside another handler.
class PanelModel::HandlerScope {
public:
    explicit HandlerScope(PanelModel& model) : m_model(model) { ++m_model.m_handlerDepth; }
    ~HandlerScope() { --m_model.m_handlerDepth; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    PanelModel& m_model;
};

PanelModel::PanelModel(std::unique_ptr<serial::PortService> port, PanelListener& listener)
    : m_listener(listener),
      m_link(std::move(port)),
      m_vScroll1(MakeChannelSliders(std::make_index_sequence<kChannelCount>{})),
      m_vScroll2(kMaxLevel, kMinLevel, kMinLevel),
      m_vScroll3(kLastAddress, kFirstAddress, kFirstAddress),
      m_command1Caption(kGoCaption),
      m_timer1(kRefreshTimer),
      m_timer2(kFadeTimer) {
    m_label2.fill(Decimal(kMinLevel));
    m_label12 = Decimal(kMinLevel);
    m_text1 = Decimal(kFirstAddress);
    BindSliders();
}

void PanelModel::BindSliders() {
    // The view hears of the new value before the handler runs, so a report box raised
    // by the handler shows the slider where the operator (or a broadcast) put it.
    for (int index = 0; index < kChannelCount; ++index) {
        VScroll1(index).SetHandler([this, index](SliderEvent event) {
            m_listener.ControlChanged({Control::ChannelSlider, index});
            event == SliderEvent::Change ? VScroll1_Change(index) : VScroll1_Scroll(index);
        });
    }
    m_vScroll2.SetHandler([this](SliderEvent event) {
        m_listener.ControlChanged({Control::MasterSlider});
        event == SliderEvent::Change ? VScroll2_Change() : VScroll2_Scroll();
    });
    m_vScroll3.SetHandler([this](SliderEvent event) {
        m_listener.ControlChanged({Control::AddressSlider});
        event == SliderEvent::Change ? VScroll3_Change() : VScroll3_Scroll();
    });
}

SliderModel& PanelModel::VScroll1(int index) {
    return m_vScroll1[ChannelSlot(index)];
}

const SliderModel& PanelModel::VScroll1(int index) const {
    return m_vScroll1[ChannelSlot(index)];
}

const std::string& PanelModel::Label2(int index) const {
    return m_label2[ChannelSlot(index)];
}

std::int16_t PanelModel::FadeUpOn(int index) const {
    return m_fadeUpOn[ChannelSlot(index)];
}

std::int16_t PanelModel::FadeDownOn(int index) const {
    return m_fadeDownOn[ChannelSlot(index)];
}

void PanelModel::SelectPort(std::int16_t portNumber) {
    if (portNumber != serial::kFirstPort && portNumber != serial::kSecondPort) {
        throw std::out_of_range("no port COM" + std::to_string(portNumber));
    }
    if (portNumber != m_portChoice) {
        m_portChoice = portNumber;
        m_listener.ControlChanged({Control::PortChoice});
    }
}

std::string PanelModel::PortDescription(std::int16_t portNumber) const {
    return m_link.PortDescription(portNumber);
}

// --- Channel and master sliders ---------------------------------------------------

void PanelModel::VScroll1_Change(int index) {
    ChannelSliderMoved(index);
}

void PanelModel::VScroll1_Scroll(int index) {
    ChannelSliderMoved(index);
}

void PanelModel::ChannelSliderMoved(int index) {
    HandlerScope scope(*this);
    RunTrapped([&] {
        // The read-out goes first so that it is current even when the send fails.
        SetText(m_label2[ChannelSlot(index)], Decimal(VScroll1(index).Value()),
                {Control::ChannelReadout, index});
        const Address address = CurrentAddress();
        if (address >= kFirstAddress && address <= kLastAddress) {
            m_link.SendBytes(protocol::AddressFrame(address, LiveLevels()));
        }
    });
}

void PanelModel::VScroll2_Change() {
    MasterSliderMoved();
}

void PanelModel::VScroll2_Scroll() {
    MasterSliderMoved();
}

void PanelModel::MasterSliderMoved() {
    HandlerScope scope(*this);
    SetText(m_label12, Decimal(m_vScroll2.Value()), {Control::MasterReadout});
}

// --- Board selection ----------------------------------------------------------------

void PanelModel::VScroll3_Change() {
    SwitchBoard(true);
}

void PanelModel::VScroll3_Scroll() {
    SwitchBoard(false);
}

void PanelModel::SwitchBoard(bool clearFades) {
    HandlerScope scope(*this);
    const Address left = CurrentAddress();
    for (int channel = 0; channel < kChannelCount; ++channel) {
        m_levelTable.At(left, channel) = VScroll1(channel).Value();
        if (clearFades) {
            m_fadeTable.At(left, channel) = FadeMode::None;
        }
    }
    SetText(m_text1, Decimal(m_vScroll3.Value()), {Control::AddressText});
    // Each slider that changes sends the new board a frame of the sliders as they stand:
    // channels not yet loaded still carry the old board's levels until their turn.
    for (int channel = 0; channel < kChannelCount; ++channel) {
        VScroll1(channel).SetValue(m_levelTable.At(CurrentAddress(), channel));
    }
}

// --- Buttons -------------------------------------------------------------------------

void PanelModel::Command1_Click() {
    HandlerScope scope(*this);
    if (m_link.IsOpen()) {
        m_link.Close();
    }
    const std::int16_t portNumber = m_portChoice;
    std::optional<std::string> failure;
    try {
        m_link.Open(portNumber);
    } catch (const serial::LinkError& error) {
        failure = OpenFailureText(portNumber, error);
    }
    // Opening resolves which device each choice stands for anew.
    m_listener.ControlChanged({Control::PortChoice});
    if (failure) {
        // The caption stays, but no device is open any more.
        SetText(m_command1ToolTip, {}, {Control::ConnectCaption});
        m_listener.ShowMessage(kAppTitle, *failure);
        return;
    }
    SetText(m_command1ToolTip, std::string(kOnlineCaption) + ": " + m_link.PortDevice(portNumber),
            {Control::ConnectCaption});
    SetText(m_command1Caption, kOnlineCaption, {Control::ConnectCaption});
}

void PanelModel::Command2_Click() {
    SendPreset(protocol::Preset::AllOff);
}

void PanelModel::Command3_Click() {
    SendPreset(protocol::Preset::All10);
}

void PanelModel::Command7_Click() {
    SendPreset(protocol::Preset::All30);
}

void PanelModel::Command4_Click() {
    SendPreset(protocol::Preset::All50);
}

void PanelModel::Command8_Click() {
    SendPreset(protocol::Preset::All70);
}

void PanelModel::Command5_Click() {
    SendPreset(protocol::Preset::All100);
}

void PanelModel::SendPreset(protocol::Preset preset) {
    HandlerScope scope(*this);
    RunTrapped([&] {
        m_link.SendBytes(protocol::PresetFrame(preset));
        SetAllLevels(protocol::PresetLevel(preset));
    });
}

void PanelModel::Command6_Click() {
    HandlerScope scope(*this);
    RunTrapped([&] {
        m_link.SendBytes(protocol::MasterFrame(m_vScroll2.Value()));
        SetAllLevels(m_vScroll2.Value());
    });
}

void PanelModel::SetAllLevels(Level level) {
    m_levelTable.Fill(level);
    for (int channel = 0; channel < kChannelCount; ++channel) {
        VScroll1(channel).SetValue(level);
    }
}

void PanelModel::Command9_Click(int index) {
    HandlerScope scope(*this);
    const std::size_t slot = ChannelSlot(index);
    if (m_fadeUpOn[slot] != kFlagOff) {
        m_fadeTable.At(CurrentAddress(), index) = FadeMode::None;
        m_fadeUpOn[slot] = kFlagOff;
        m_fadeDownOn[slot] = kFlagOff;
    } else {
        m_fadeTable.At(CurrentAddress(), index) = FadeMode::Up;
        m_fadeDownOn[slot] = kFlagOff;
        m_fadeUpOn[slot] = kFlagOn;
    }
}

void PanelModel::Command10_Click(int index) {
    HandlerScope scope(*this);
    const std::size_t slot = ChannelSlot(index);
    if (m_fadeDownOn[slot] != kFlagOff) {
        m_fadeTable.At(CurrentAddress(), index) = FadeMode::None;
        m_fadeDownOn[slot] = kFlagOff;
    } else {
        m_fadeTable.At(CurrentAddress(), index) = FadeMode::Down;
        m_fadeDownOn[slot] = kFlagOn;
    }
    m_fadeUpOn[slot] = kFlagOff;
}

// --- Timers and window ---------------------------------------------------------------

void PanelModel::Timer2_Timer() {
    if (m_handlerDepth > 0) {
        return;
    }
    HandlerScope scope(*this);
    // Each step moves a slider, whose own handler sends the frame. The end of a fade is
    // noticed on the tick after the slider reached it, so 0..100 is 100 steps plus one.
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const std::size_t slot = static_cast<std::size_t>(channel);
        SliderModel& slider = VScroll1(channel);
        if (m_fadeTable.At(CurrentAddress(), channel) == FadeMode::Up) {
            // Min is the top of the bar (100): the fade up is complete.
            if (slider.Value() == slider.Min()) {
                m_fadeTable.At(CurrentAddress(), channel) = FadeMode::None;
                m_fadeUpOn[slot] = kFlagOff;
            } else {
                StepFade(channel, kFadeUpStep);
            }
        }
        if (m_fadeTable.At(CurrentAddress(), channel) == FadeMode::Down) {
            // Max is the bottom of the bar (0): the fade down is complete.
            if (slider.Value() == slider.Max()) {
                m_fadeTable.At(CurrentAddress(), channel) = FadeMode::None;
                m_fadeDownOn[slot] = kFlagOff;
            } else {
                StepFade(channel, kFadeDownStep);
            }
        }
    }
}

// A step whose send failed ends the channel's fade as its button would: without that, a
// lost line would raise one report per step, and the next report would come before the
// operator could reach a button to stop the fade.
void PanelModel::StepFade(int channel, int step) {
    SliderModel& slider = VScroll1(channel);
    const std::uint64_t reportsBefore = m_failureReports;
    slider.SetValue(static_cast<Level>(slider.Value() + step));
    if (m_failureReports != reportsBefore) {
        const std::size_t slot = ChannelSlot(channel);
        m_fadeTable.At(CurrentAddress(), channel) = FadeMode::None;
        m_fadeUpOn[slot] = kFlagOff;
        m_fadeDownOn[slot] = kFlagOff;
    }
}

void PanelModel::Timer1_Timer() {
    if (m_handlerDepth > 0) {
        return;
    }
    HandlerScope scope(*this);
    RunTrapped([&] {
        m_levelTable.RowAt(CurrentAddress()) = LiveLevels();
        for (Address board = kFirstAddress; board <= kLastAddress; ++board) {
            m_link.SendBytes(protocol::AddressFrame(board, m_levelTable.RowAt(board)));
        }
    });
}

void PanelModel::Form_Unload() {
    HandlerScope scope(*this);
    if (m_link.IsOpen()) {
        m_link.Close();
    }
}

// --- Shared steps --------------------------------------------------------------------

PanelModel::Address PanelModel::CurrentAddress() const {
    int value = 0;
    const char* first = m_text1.data();
    const char* last = first + m_text1.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) {
        return 0;
    }
    return static_cast<Address>(value);
}

protocol::ChannelLevels PanelModel::LiveLevels() const {
    protocol::ChannelLevels levels{};
    for (int channel = 0; channel < kChannelCount; ++channel) {
        levels[static_cast<std::size_t>(channel)] = VScroll1(channel).Value();
    }
    return levels;
}

void PanelModel::SetText(std::string& text, std::string value, ControlId control) {
    if (text != value) {
        text = std::move(value);
        m_listener.ControlChanged(control);
    }
}

// The one trap: a link failure ends the body at the failing byte and is reported once.
// The report is shown after the catch block, so no exception is in flight while the
// report box runs its event loop.
template <typename Body>
void PanelModel::RunTrapped(Body&& body) {
    std::optional<serial::ErrorNumber> failure;
    try {
        body();
    } catch (const serial::LinkError& error) {
        failure = error.Number();
    }
    if (failure) {
        ++m_failureReports;
        ReportError(m_listener, *failure);
    }
}

}  // namespace dimrix::panel
