#include "panel/SliderModel.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace dimrix::panel {

SliderModel::SliderModel(Level min, Level max, Level value)
    : m_min(min), m_max(max), m_value(value) {
    CheckRange(value);
}

bool SliderModel::InRange(Level value) const {
    return value >= std::min(m_min, m_max) && value <= std::max(m_min, m_max);
}

void SliderModel::CheckRange(Level value) const {
    if (!InRange(value)) {
        throw std::out_of_range("slider value " + std::to_string(value) + " outside " +
                                std::to_string(m_max) + ".." + std::to_string(m_min));
    }
}

void SliderModel::SetValue(Level value) {
    CheckRange(value);
    if (value == m_value) {
        return;
    }
    m_value = value;
    Raise(SliderEvent::Change);
}

void SliderModel::DragTo(Level value) {
    CheckRange(value);
    m_dragging = true;
    if (value == m_value) {
        return;
    }
    m_value = value;
    Raise(SliderEvent::Scroll);
}

void SliderModel::EndDrag() {
    if (!m_dragging) {
        return;
    }
    m_dragging = false;
    Raise(SliderEvent::Change);
}

void SliderModel::Raise(SliderEvent event) {
    if (m_handler) {
        m_handler(event);
    }
}

}  // namespace dimrix::panel
