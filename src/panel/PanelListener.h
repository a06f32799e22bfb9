#pragma once

/// @file
/// How the panel tells its view what changed.

#include <string>

namespace dimrix::panel {

/// The controls whose value, caption or text the panel changes.
enum class Control {
    ChannelSlider,   ///< VScroll1(index)
    ChannelReadout,  ///< Label2(index)
    MasterSlider,    ///< VScroll2
    MasterReadout,   ///< Label12
    AddressSlider,   ///< VScroll3
    AddressText,     ///< Text1
    PortChoice,      ///< Option1 / Option2, including the devices they stand for
    ConnectCaption,  ///< Command1's caption and tooltip
};

/// One control; index is the channel for per-channel controls, else 0.
struct ControlId {
    Control control = Control::ChannelSlider;
    int index = 0;

    friend bool operator==(const ControlId&, const ControlId&) = default;
};

/// The view of a PanelModel. ControlChanged arrives as soon as a control changes, in
/// the middle of nested handlers too, so a report box never shows stale values.
class PanelListener {
public:
    virtual ~PanelListener() = default;

    virtual void ControlChanged(ControlId control) = 0;
    /// Shows a report with one OK button and returns once the operator has dismissed
    /// it. A window runs a nested event loop meanwhile, so timer ticks may arrive.
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
};

}  // namespace dimrix::panel
