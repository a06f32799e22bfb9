#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "panel/PanelModel.h"
#include "support/RecordingListener.h"
#include "support/RecordingPort.h"

namespace dimrix::testing {

// A panel on a recording port, with its view recorded too.
class PanelFixture : public ::testing::Test {
protected:
    PanelFixture() : model(std::make_unique<RecordingPort>(log), listener) {}

    // Presses GO and forgets the connect's own calls, so tests see only what follows.
    void Connect() {
        model.Command1_Click();
        ASSERT_TRUE(log.open);
        Forget();
    }
    void Forget() {
        log.calls.clear();
        log.bytes.clear();
        listener.changes.clear();
        listener.messages.clear();
    }
    [[nodiscard]] std::vector<int> Sent() const { return {log.bytes.begin(), log.bytes.end()}; }
    [[nodiscard]] std::vector<int> Levels() const {
        std::vector<int> levels;
        for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
            levels.push_back(model.VScroll1(channel).Value());
        }
        return levels;
    }
    [[nodiscard]] std::vector<std::string> Readouts() const {
        std::vector<std::string> readouts;
        for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
            readouts.push_back(model.Label2(channel));
        }
        return readouts;
    }
    [[nodiscard]] std::vector<int> StoredLevels(protocol::Address address) const {
        const auto& row = model.Levels().RowAt(address);
        return {row.begin(), row.end()};
    }
    [[nodiscard]] std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const Message& message : listener.messages) {
            texts.push_back(message.text);
        }
        return texts;
    }
    void SetLevels(std::initializer_list<int> levels) {
        int channel = 0;
        for (const int level : levels) {
            model.VScroll1(channel++).SetValue(static_cast<protocol::Level>(level));
        }
    }

    PortLog log;
    RecordingListener listener;
    panel::PanelModel model;
};

// Concatenates literal byte runs, so expected streams can be written frame by frame.
inline std::vector<int> Stream(std::initializer_list<std::vector<int>> frames) {
    std::vector<int> stream;
    for (const auto& frame : frames) {
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    return stream;
}

inline const std::string kOpenPortFirst = "Open com port first!";

}  // namespace dimrix::testing
