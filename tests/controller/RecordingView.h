#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "controller/TransferView.h"

// The dialog and the status bar as the protocol tests see them: the last value of each control, and
// every caption and status text in the order they were set.
class RecordingView : public TransferView {
public:
    void SetActionCaption(const std::string& caption) override { captions.push_back(caption); }
    void SetActionColor(TColor value) override { color = value; }
    void SetProgressMax(std::int32_t value) override { progressMax = value; }
    void SetProgressPosition(std::int32_t value) override {
        progress = value;
        ++progressSteps;
    }
    bool CancelFlag() const override { return cancel.load(); }
    void SetStatusPanel2(const std::string& text) override { statusPanel2.push_back(text); }

    std::string Caption() const { return captions.empty() ? std::string() : captions.back(); }

    std::vector<std::string> captions;
    std::vector<std::string> statusPanel2;
    TColor color = TColor::clWindowText;
    std::int32_t progressMax = -1;
    std::int32_t progress = -1;
    int progressSteps = 0;
    std::atomic<bool> cancel{false};
};
