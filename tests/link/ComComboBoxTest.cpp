// The port-setting combo box: its lists, how it shows the bound port's value, picking and applying,
// and letting go of a port that is destroyed.

#include <QCoreApplication>
#include <QKeyEvent>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "PseudoTerminal.h"
#include "link/ComComboBox.h"

namespace {

QStringList ItemsOf(const QComboBox& combo) {
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

// The ports "present" for a test, instead of the machine's.
class FakePortList {
public:
    explicit FakePortList(std::vector<std::string> ports) {
        SetComPortLister([ports](std::vector<std::string>& list) { list = ports; });
    }
    ~FakePortList() { SetComPortLister({}); }
};

// As the user does it: the next entry, chosen with the arrow key on the closed list.
void PickNext(QComboBox& combo) {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(&combo, &down);
}

void PickText(QComboBox& combo, const QString& text) {
    combo.setCurrentIndex(combo.findText(text) - 1);
    PickNext(combo);
}

struct PropertyCase {
    const char* name;
    TComProperty property;
    QStringList items;
};

void PrintTo(const PropertyCase& c, std::ostream* out) {
    *out << c.name;
}

class ComComboBoxLists : public ::testing::TestWithParam<PropertyCase> {};

} // namespace

TEST_P(ComComboBoxLists, ListsTheValuesAndSelectsTheFirstWithoutAPort) {
    TComComboBox combo;
    combo.SetComProperty(GetParam().property);
    EXPECT_EQ(ItemsOf(combo), GetParam().items);
    EXPECT_EQ(combo.Text(), GetParam().items.value(0));
}

INSTANTIATE_TEST_SUITE_P(
    EachProperty, ComComboBoxLists,
    ::testing::Values(PropertyCase{"None", cpNone, {}},
                      PropertyCase{"BaudRate",
                                   cpBaudRate,
                                   {"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                                    "19200", "38400", "56000", "57600", "115200", "128000", "256000"}},
                      PropertyCase{"DataBits", cpDataBits, {"5", "6", "7", "8"}},
                      PropertyCase{"StopBits", cpStopBits, {"1", "1.5", "2"}},
                      PropertyCase{"Parity", cpParity, {"None", "Odd", "Even", "Mark", "Space"}},
                      PropertyCase{"FlowControl", cpFlowControl, {"Hardware", "Software", "None", "Custom"}}),
    [](const ::testing::TestParamInfo<PropertyCase>& info) { return std::string(info.param.name); });

TEST(ComComboBox, ShowsTheBoundPortsValueOfEachProperty) {
    TComPort port;
    port.SetBaudRate(br4800);
    port.SetDataBits(dbSeven);
    port.SetStopBits(sbOne5StopBits);
    port.Parity().SetBits(prEven);
    port.FlowControl().SetFlowControl(fcHardware);
    const std::vector<std::pair<TComProperty, QString>> shown{{cpBaudRate, "4800"},
                                                              {cpDataBits, "7"},
                                                              {cpStopBits, "1.5"},
                                                              {cpParity, "Even"},
                                                              {cpFlowControl, "Hardware"}};
    for (const auto& [property, text] : shown) {
        TComComboBox bindFirst;
        bindFirst.SetComPort(&port);
        bindFirst.SetComProperty(property);
        EXPECT_EQ(bindFirst.Text(), text);

        TComComboBox listFirst;
        listFirst.SetComProperty(property);
        listFirst.SetComPort(&port);
        EXPECT_EQ(listFirst.Text(), text);
    }
}

TEST(ComComboBox, ListsThePortsPresentAndFindsTheBoundOneWithoutRegardToCase) {
    FakePortList ports({"COM1", "COM10", "ttyUSB0"});
    TComPort port;
    port.SetPort("com10");
    TComComboBox combo;
    combo.SetComPort(&port);
    combo.SetComProperty(cpPort);
    EXPECT_EQ(ItemsOf(combo), (QStringList{"COM1", "COM10", "ttyUSB0"}));
    EXPECT_EQ(combo.Text(), "COM10");
    EXPECT_EQ(port.Port(), "com10"); // showing it renames nothing
}

TEST(ComComboBox, APortThatIsNotListedLeavesNothingSelectedAndTheTextEmpty) {
    FakePortList ports({"COM1", "COM2"});
    TComPort port;
    port.SetPort("/dev/ttyUSB3");
    TComComboBox combo;
    combo.SetComProperty(cpPort);
    EXPECT_EQ(combo.Text(), "COM1"); // no port bound yet
    combo.SetComPort(&port);
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(combo.Text(), QString());
}

TEST(ComComboBox, AnUnreadablePortListRaisesAndLeavesTheListEmpty) {
    SetComPortLister([](std::vector<std::string>&) { throw EComPort(CError_RegError, 13); });
    TComComboBox combo;
    combo.SetComProperty(cpBaudRate);
    try {
        combo.SetComProperty(cpPort);
        ADD_FAILURE() << "no EComPort was raised";
    } catch (const EComPort& error) {
        EXPECT_EQ(error.ErrorCode(), CError_RegError);
    }
    SetComPortLister({});
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.Text(), QString());
}

TEST(ComComboBox, WritingTextSelectsAListedEntryAndIgnoresAnUnknownOne) {
    TComComboBox combo;
    combo.SetComProperty(cpParity);
    combo.SetText("Mark");
    EXPECT_EQ(combo.Text(), "Mark");
    combo.SetText("Purple");
    EXPECT_EQ(combo.Text(), "Mark");
    combo.SetText("");
    EXPECT_EQ(combo.Text(), "Mark");
}

TEST(ComComboBox, APickWithoutAutoApplyLeavesThePortAlone) {
    TComPort port;
    port.SetBaudRate(br4800);
    TComComboBox combo;
    combo.SetComProperty(cpBaudRate);
    combo.SetComPort(&port);
    PickNext(combo);
    EXPECT_EQ(combo.Text(), "9600");
    EXPECT_EQ(port.BaudRate(), br4800);
}

TEST(ComComboBox, APickWithAutoApplyWritesEachPropertyToThePort) {
    FakePortList ports({"COM1", "COM3"});
    TComPort port;
    TComComboBox combo;
    combo.SetAutoApply(true);
    combo.SetComPort(&port);

    combo.SetComProperty(cpPort);
    PickText(combo, "COM3");
    EXPECT_EQ(port.Port(), "COM3");
    EXPECT_FALSE(port.Connected());
    combo.SetComProperty(cpBaudRate);
    PickText(combo, "115200");
    EXPECT_EQ(port.BaudRate(), br115200);
    combo.SetComProperty(cpDataBits);
    PickText(combo, "6");
    EXPECT_EQ(port.DataBits(), dbSix);
    combo.SetComProperty(cpStopBits);
    PickText(combo, "2");
    EXPECT_EQ(port.StopBits(), sbTwoStopBits);
    combo.SetComProperty(cpParity);
    PickText(combo, "Space");
    EXPECT_EQ(port.Parity().Bits(), prSpace);
    combo.SetComProperty(cpFlowControl);
    PickText(combo, "Software");
    EXPECT_EQ(port.FlowControl().FlowControl(), fcSoftware);
}

TEST(ComComboBox, PickedTextsAreMatchedWithoutRegardToCaseAndUnknownOnesGiveTheDefaults) {
    TComPort port;
    TComComboBox combo;
    combo.SetAutoApply(true);
    combo.SetComPort(&port);

    combo.SetComProperty(cpParity);
    combo.addItem("EVEN");
    PickText(combo, "EVEN");
    EXPECT_EQ(port.Parity().Bits(), prEven);
    combo.addItem("Purple");
    PickText(combo, "Purple");
    EXPECT_EQ(port.Parity().Bits(), prNone);

    port.SetBaudRate(br300);
    combo.SetComProperty(cpBaudRate);
    combo.addItem("fast");
    PickText(combo, "fast");
    EXPECT_EQ(port.BaudRate(), br9600);

    port.SetDataBits(dbFive);
    combo.SetComProperty(cpDataBits);
    combo.addItem("9");
    PickText(combo, "9");
    EXPECT_EQ(port.DataBits(), dbEight);

    port.SetStopBits(sbTwoStopBits);
    combo.SetComProperty(cpStopBits);
    combo.addItem("3");
    PickText(combo, "3");
    EXPECT_EQ(port.StopBits(), sbOneStopBit);

    port.FlowControl().SetFlowControl(fcHardware);
    combo.SetComProperty(cpFlowControl);
    combo.addItem("Magic");
    PickText(combo, "Magic");
    EXPECT_EQ(port.FlowControl().FlowControl(), fcHardware); // fcCustom keeps the fields as they are
}

TEST(ComComboBox, APortThatRefusesTheAppliedNameIsReportedNotThrown) {
    PseudoTerminal pty;
    FakePortList ports({pty.SlavePath(), "/dev/vp-no-such-port"});
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.Open();
    TComComboBox combo;
    combo.SetAutoApply(true);
    combo.SetComProperty(cpPort);
    combo.SetComPort(&port);
    QStringList failures;
    QObject::connect(&combo, &TComComboBox::ApplyFailed,
                     [&](const QString& message) { failures << message; });

    PickNext(combo);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith("Не удалось открыть порт"));
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "/dev/vp-no-such-port");
}

TEST(ComComboBox, LetsGoOfADestroyedPortAndSelectsTheFirstEntry) {
    auto port = std::make_unique<TComPort>();
    port->SetBaudRate(br57600);
    TComComboBox combo;
    combo.SetComProperty(cpBaudRate);
    combo.SetComPort(port.get());
    ASSERT_EQ(combo.Text(), "57600");

    port.reset();
    EXPECT_EQ(combo.ComPort(), nullptr);
    EXPECT_EQ(combo.Text(), "Custom");
    combo.SetComProperty(cpDataBits); // nothing of the old port is touched any more
    EXPECT_EQ(combo.Text(), "5");
}

TEST(ComComboBox, APortOutlivesTheComboBoxesThatWereBoundToItOnce) {
    auto port = std::make_unique<TComPort>();
    TComPort other;
    other.SetDataBits(dbSix);
    auto gone = std::make_unique<TComComboBox>();
    gone->SetComPort(port.get());
    gone.reset();
    TComComboBox rebound;
    rebound.SetComProperty(cpDataBits);
    rebound.SetComPort(port.get());
    rebound.SetComPort(&other);

    port.reset(); // tells neither of them
    EXPECT_EQ(rebound.ComPort(), &other);
    EXPECT_EQ(rebound.Text(), "6");
}
