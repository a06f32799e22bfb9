#include "panel/SliderModel.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace dimrix::panel {
namespace {

std::string Name(SliderEvent event) {
    return event == SliderEvent::Change ? "Change" : "Scroll";
}

TEST(SliderModelTest, DifferentValueRaisesChangeOnceSameValueNothing) {
    SliderModel slider(100, 0, 0);
    std::vector<std::string> events;
    slider.SetHandler([&](SliderEvent event) {
        events.push_back(Name(event) + " " + std::to_string(slider.Value()));
    });
    slider.SetValue(40);
    slider.SetValue(40);
    slider.SetValue(0);
    EXPECT_EQ(events, (std::vector<std::string>{"Change 40", "Change 0"}));
}

TEST(SliderModelTest, DragRaisesScrollPerNewPositionAndChangeAtTheEnd) {
    SliderModel slider(100, 0, 0);
    std::vector<std::string> events;
    slider.SetHandler([&](SliderEvent event) {
        events.push_back(Name(event) + " " + std::to_string(slider.Value()));
    });
    slider.EndDrag();  // no drag under way: nothing to end
    slider.DragTo(1);
    slider.DragTo(2);
    slider.DragTo(2);
    slider.DragTo(1);
    slider.EndDrag();
    slider.EndDrag();
    EXPECT_EQ(events, (std::vector<std::string>{"Scroll 1", "Scroll 2", "Scroll 1", "Change 1"}));
}

TEST(SliderModelTest, RangeIsInclusiveWhicheverEndIsLarger) {
    SliderModel address(158, 128, 128);
    EXPECT_TRUE(address.InRange(128));
    EXPECT_TRUE(address.InRange(158));
    EXPECT_THROW(address.SetValue(127), std::out_of_range);
    EXPECT_THROW(address.DragTo(159), std::out_of_range);
    EXPECT_THROW(SliderModel(100, 0, 101), std::out_of_range);
    EXPECT_EQ(address.Value(), 128);
}

// The panel depends on assignments inside a handler running their own handler at once,
// before the outer assignment returns.
TEST(SliderModelTest, AssignmentInsideAHandlerNestsItsNotification) {
    SliderModel outer(100, 0, 0);
    SliderModel inner(100, 0, 0);
    std::vector<std::string> events;
    outer.SetHandler([&](SliderEvent) {
        events.push_back("outer begins");
        inner.SetValue(outer.Value());
        events.push_back("outer ends");
    });
    inner.SetHandler(
        [&](SliderEvent) { events.push_back("inner " + std::to_string(inner.Value())); });
    outer.SetValue(7);
    EXPECT_EQ(events, (std::vector<std::string>{"outer begins", "inner 7", "outer ends"}));
}

}  // namespace
}  // namespace dimrix::panel
