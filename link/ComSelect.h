#pragma once

// The binding behind a port-setting combo box: the bound port, the property shown, the texts that
// stand for the property's values, and the value the user picked but that is not applied yet.

#include <functional>
#include <string>
#include <vector>

#include "serial/CPort.h"

// Where the list of ports comes from: EnumComPortInfo, unless a test installs a list of its own (by
// names alone, or with descriptions). An empty lister restores EnumComPortInfo.
using ComPortLister = std::function<void(std::vector<std::string>&)>;
void SetComPortLister(ComPortLister lister);
void SetComPortInfoLister(std::function<void(std::vector<ComPortInfo>&)> lister);

class TComSelect final : public TComPortFreeNotify {
public:
    // portDestroyed runs after the bound port was destroyed and the binding cleared.
    explicit TComSelect(std::function<void()> portDestroyed);
    ~TComSelect();
    TComSelect(const TComSelect&) = delete;
    TComSelect& operator=(const TComSelect&) = delete;

    TCustomComPort* ComPort() const { return port_; }
    void SetComPort(TCustomComPort* port);
    TComProperty ComProperty() const { return property_; }
    void SetComProperty(TComProperty property) { property_ = property; }
    bool AutoApply() const { return autoApply_; }
    void SetAutoApply(bool value) { autoApply_ = value; }

    // The texts of the property's values in the order of their ordinals; for cpPort the ports present
    // (raises EComPort 23 when the system's list can't be read).
    std::vector<std::string> Items() const;
    // For cpPort: the ports present with their descriptions (raises as Items).
    static std::vector<ComPortInfo> Ports();
    // The text of the bound port's value of the property; empty without a port or a property.
    std::string PortValueText() const;
    // The user picked text: it becomes the pending value, and with AutoApply it is written to the port.
    void SelectValue(const std::string& text);

private:
    void PortDestroyed(TCustomComPort& port) override;
    void ApplySettings(TCustomComPort& port) const;

    std::function<void()> portDestroyed_;
    TCustomComPort* port_ = nullptr;
    TComProperty property_ = cpNone;
    bool autoApply_ = false;
    // The pending value: the text for cpPort, the ordinal of the value for the other properties.
    std::string pendingPort_;
    int pendingOrdinal_ = 0;
};
