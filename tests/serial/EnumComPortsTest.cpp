// The port list from a fake /sys/class/tty tree, and how names map to devices.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "serial/ComErrorHint_lin.h"
#include "serial/EnumComPorts_lin.h"
#include "serial/PortName_lin.h"

namespace fs = std::filesystem;

namespace {

class FakeSysfs : public ::testing::Test {
protected:
    FakeSysfs() : root(fs::temp_directory_path() / ("vp-sysfs-" + std::to_string(getpid()) + "-" + Name())) {
        fs::create_directories(root);
    }
    ~FakeSysfs() override { fs::remove_all(root); }

    static std::string Name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

    // A tty entry; hardware ones have a "device" link, serial-core ones a "type".
    void AddTty(const std::string& name, bool hardware, const char* type = nullptr) {
        fs::create_directories(root / name);
        if (hardware) {
            fs::create_directories(root / "devices" / name);
            fs::create_directory_symlink(root / "devices" / name, root / name / "device");
        }
        if (type)
            std::ofstream(root / name / "type") << type << "\n";
    }

    fs::path root;
};

} // namespace

TEST_F(FakeSysfs, ListsPresentUartsAndAdaptersSortedWithoutRegardToCase) {
    AddTty("ttyS0", true, "4");
    AddTty("ttyS1", true, "0"); // no UART there
    AddTty("ttyS9", true, "4");
    AddTty("ttyS3", true, "4");
    AddTty("ttyUSB0", true);
    AddTty("ttyACM0", true);
    AddTty("tty0", false);
    AddTty("console", false);
    AddTty("ptmx", false);

    std::vector<std::string> list{"stale"};
    EnumComPorts(list, root);
    EXPECT_EQ(list, (std::vector<std::string>{"COM1", "COM10", "COM4", "ttyACM0", "ttyUSB0"}));
}

TEST_F(FakeSysfs, EachPortComesWithItsDeviceAndWhatTheSystemCallsIt) {
    const fs::path usb = root / "devices" / "usb1" / "1-1";
    fs::create_directories(usb / "1-1:1.0" / "ttyUSB0");
    std::ofstream(usb / "product") << "USB-Serial Controller\n";
    std::ofstream(usb / "manufacturer") << "Prolific\n";
    fs::create_directories(root / "ttyUSB0");
    fs::create_directory_symlink(usb / "1-1:1.0" / "ttyUSB0", root / "ttyUSB0" / "device");
    AddTty("ttyS0", true, "4");
    fs::create_directories(root / "drivers" / "serial8250");
    fs::create_directory_symlink(root / "drivers" / "serial8250", root / "devices" / "ttyS0" / "driver");
    AddTty("ttyACM0", true);

    const std::vector<ComPortEntry> ports = ListComPorts(root);
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].name + " " + ports[0].device + " " + ports[0].description,
              "COM1 /dev/ttyS0 serial8250");
    EXPECT_EQ(ports[1].name + " " + ports[1].device + " " + ports[1].description, "ttyACM0 /dev/ttyACM0 ");
    EXPECT_EQ(ports[2].name + " " + ports[2].device + " " + ports[2].description,
              "ttyUSB0 /dev/ttyUSB0 Prolific USB-Serial Controller");
}

TEST_F(FakeSysfs, AnEmptyListIsNoError) {
    AddTty("tty0", false);
    std::vector<std::string> list{"stale"};
    EnumComPorts(list, root);
    EXPECT_TRUE(list.empty());
}

TEST_F(FakeSysfs, AnUnreadableListRaisesError23AndLeavesTheListAlone) {
    std::vector<std::string> list{"COM2"};
    try {
        EnumComPorts(list, root / "missing");
        FAIL() << "no EComPort was raised";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 23);
        EXPECT_EQ(e.OsErrorCode(), ENOENT);
    }
    EXPECT_EQ(list, std::vector<std::string>{"COM2"});
}

TEST(ComPortNames, MapToLinuxDevices) {
    EXPECT_EQ(DevicePathOf("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DevicePathOf("COM2"), "/dev/ttyS1");
    EXPECT_EQ(DevicePathOf("COM10"), "/dev/ttyS9");
    EXPECT_EQ(DevicePathOf("com2"), "/dev/ttyS1");
    EXPECT_EQ(DevicePathOf("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathOf("/dev/serial/by-id/usb-adapter"), "/dev/serial/by-id/usb-adapter");
    EXPECT_EQ(DevicePathOf("COM0"), "/dev/COM0");
    EXPECT_EQ(DevicePathOf("COMx"), "/dev/COMx");
    EXPECT_EQ(DevicePathOf("COM99999999999"), "/dev/COM99999999999");
    EXPECT_EQ(PortNameOf("ttyS0"), "COM1");
    EXPECT_EQ(PortNameOf("ttyS15"), "COM16");
    EXPECT_EQ(PortNameOf("ttyUSB0"), "ttyUSB0");
}

// A listed port opens the device it was listed for, however odd the device's number.
TEST(ComPortNames, OpenTheDeviceTheyWereListedFor) {
    for (const char* tty :
         {"ttyS0", "ttyS31", "ttyS00", "ttyS0999", "ttyS99999999", "ttyS999999999", "ttyUSB0"})
        EXPECT_EQ(DevicePathOf(PortNameOf(tty)), std::string("/dev/") + tty) << PortNameOf(tty);
}

TEST(ComErrorHints, TellTheUserWhatToDo) {
    const std::string denied = ComErrorHint(EACCES, "/dev/ttyUSB0");
    EXPECT_NE(denied.find("группу"), std::string::npos);
    EXPECT_NE(denied.find("войдите в систему заново"), std::string::npos);
    EXPECT_NE(ComErrorHint(EBUSY, "/dev/ttyUSB0").find("ModemManager"), std::string::npos);
    EXPECT_NE(ComErrorHint(ENOENT, "/dev/ttyUSB0").find("/dev/ttyUSB0 не найдено"), std::string::npos);
    EXPECT_EQ(ComErrorHint(EINVAL, "/dev/ttyUSB0"), "");
}
