#include "FormOnScreen.h"

#include "window/FormLayout.h"

namespace dimrix::testing {

QPoint FormOnScreen::CentreOf(const XvfbDisplay::Window& window, std::string_view control) {
    using window::FormLayout;
    QPoint centre = FormLayout::ToPixels(FormLayout::Of(control).twips).center();
    for (std::string_view container = FormLayout::Of(control).container;
         container != FormLayout::kWindowName; container = FormLayout::Of(container).container) {
        centre += FormLayout::ToPixels(FormLayout::Of(container).twips).topLeft();
    }
    return window.geometry.topLeft() + centre;
}

}  // namespace dimrix::testing
