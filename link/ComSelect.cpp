#include "ComSelect.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

namespace {

// The texts of the enumerated properties, by ordinal, and the value an unknown text stands for.
struct ValueTexts {
    std::vector<std::string> texts;
    int unknown;
};

// "Custom", then each rate as the port's own list gives it.
std::vector<std::string> BaudRateTexts() {
    std::vector<std::string> texts{"Custom"};
    for (int rate = br110; rate <= br256000; ++rate)
        texts.push_back(std::to_string(BaudRateToInt(TBaudRate(rate))));
    return texts;
}

const ValueTexts& TextsOf(TComProperty property) {
    static const ValueTexts none{{}, 0};
    static const ValueTexts baudRates{BaudRateTexts(), br9600};
    static const ValueTexts dataBits{{"5", "6", "7", "8"}, dbEight};
    static const ValueTexts stopBits{{"1", "1.5", "2"}, sbOneStopBit};
    static const ValueTexts parity{{"None", "Odd", "Even", "Mark", "Space"}, prNone};
    static const ValueTexts flowControl{{"Hardware", "Software", "None", "Custom"}, fcCustom};
    switch (property) {
    case cpBaudRate:
        return baudRates;
    case cpDataBits:
        return dataBits;
    case cpStopBits:
        return stopBits;
    case cpParity:
        return parity;
    case cpFlowControl:
        return flowControl;
    case cpNone:
    case cpPort:
        break;
    }
    return none;
}

int OrdinalOf(TComProperty property, const TCustomComPort& port) {
    switch (property) {
    case cpBaudRate:
        return port.BaudRate();
    case cpDataBits:
        return port.DataBits();
    case cpStopBits:
        return port.StopBits();
    case cpParity:
        return port.Parity().Bits();
    case cpFlowControl:
        return port.FlowControl().FlowControl();
    case cpNone:
    case cpPort:
        break;
    }
    return -1;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

using ComPortInfoLister = std::function<void(std::vector<ComPortInfo>&)>;

ComPortInfoLister& InstalledLister() {
    static ComPortInfoLister lister;
    return lister;
}

} // namespace

void SetComPortInfoLister(std::function<void(std::vector<ComPortInfo>&)> lister) {
    InstalledLister() = std::move(lister);
}

void SetComPortLister(ComPortLister lister) {
    if (!lister) {
        InstalledLister() = {};
        return;
    }
    InstalledLister() = [lister](std::vector<ComPortInfo>& list) {
        std::vector<std::string> names;
        lister(names);
        list.clear();
        for (std::string& name : names)
            list.push_back({std::move(name), {}, false});
    };
}

TComSelect::TComSelect(std::function<void()> portDestroyed) : portDestroyed_(std::move(portDestroyed)) {}

TComSelect::~TComSelect() {
    if (port_)
        port_->RemoveFreeNotification(*this);
}

void TComSelect::SetComPort(TCustomComPort* port) {
    if (port == port_)
        return;
    if (port_)
        port_->RemoveFreeNotification(*this);
    port_ = port;
    if (port_)
        port_->FreeNotification(*this);
}

std::vector<std::string> TComSelect::Items() const {
    if (property_ != cpPort)
        return TextsOf(property_).texts;
    std::vector<std::string> names;
    for (ComPortInfo& port : Ports())
        names.push_back(std::move(port.name));
    return names;
}

std::vector<ComPortInfo> TComSelect::Ports() {
    std::vector<ComPortInfo> ports;
    if (InstalledLister())
        InstalledLister()(ports);
    else
        EnumComPortInfo(ports);
    return ports;
}

std::string TComSelect::PortValueText() const {
    if (!port_)
        return {};
    if (property_ == cpPort)
        return port_->Port();
    const std::vector<std::string>& texts = TextsOf(property_).texts;
    const int ordinal = OrdinalOf(property_, *port_);
    return ordinal >= 0 && ordinal < static_cast<int>(texts.size()) ? texts[ordinal] : std::string();
}

void TComSelect::SelectValue(const std::string& text) {
    if (property_ == cpPort) {
        pendingPort_ = text;
    } else {
        const ValueTexts& values = TextsOf(property_);
        const auto found =
            std::find_if(values.texts.begin(), values.texts.end(),
                         [&](const std::string& value) { return EqualIgnoringCase(value, text); });
        pendingOrdinal_ =
            found != values.texts.end() ? static_cast<int>(found - values.texts.begin()) : values.unknown;
    }
    if (autoApply_ && port_)
        ApplySettings(*port_);
}

void TComSelect::ApplySettings(TCustomComPort& port) const {
    switch (property_) {
    case cpPort:
        port.SetPort(pendingPort_);
        break;
    case cpBaudRate:
        port.SetBaudRate(static_cast<TBaudRate>(pendingOrdinal_));
        break;
    case cpDataBits:
        port.SetDataBits(static_cast<TDataBits>(pendingOrdinal_));
        break;
    case cpStopBits:
        port.SetStopBits(static_cast<TStopBits>(pendingOrdinal_));
        break;
    case cpParity:
        port.Parity().SetBits(static_cast<TParityBits>(pendingOrdinal_));
        break;
    case cpFlowControl:
        port.FlowControl().SetFlowControl(static_cast<TFlowControl>(pendingOrdinal_));
        break;
    case cpNone:
        break;
    }
}

void TComSelect::PortDestroyed(TCustomComPort& port) {
    if (&port != port_)
        return;
    port_ = nullptr;
    if (portDestroyed_)
        portDestroyed_();
}
