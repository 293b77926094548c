// The port list from a fake /sys/class/tty tree, and how names map to devices.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <utility>
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

    // A USB adapter as the kernel shows it: the device folder with its vendor id and texts, the
    // interface below it, and for USB-serial drivers the port below the interface.
    void AddUsbTty(const std::string& name, const char* maker, const char* product, bool portBelowInterface) {
        const fs::path usb = root / "devices" / ("usb-" + name);
        fs::path device = usb / "1-1:1.0";
        if (portBelowInterface)
            device /= name;
        fs::create_directories(device);
        fs::create_directories(root / name);
        fs::create_directory_symlink(device, root / name / "device");
        std::ofstream(usb / "idVendor") << "0403\n";
        if (maker)
            std::ofstream(usb / "manufacturer") << maker << "\n";
        if (product)
            std::ofstream(usb / "product") << product << "\n";
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

TEST_F(FakeSysfs, PortsAreDescribedForTheUserWithUsbAdaptersFirst) {
    AddTty("ttyS0", true, "4");
    AddUsbTty("ttyUSB1", nullptr, nullptr, true);
    AddUsbTty("ttyUSB0", "FTDI", "FT232R USB UART", true);
    AddUsbTty("ttyACM0", nullptr, "Arduino Uno", false);
    AddTty("tty0", false);

    // udev's stable name of the FTDI adapter, and a stale one whose device is gone.
    fs::create_directories(root / "dev");
    fs::create_directories(root / "by-id");
    std::ofstream(root / "dev" / "ttyUSB0");
    fs::create_symlink("../dev/ttyUSB0", root / "by-id" / "usb-FTDI_FT232R-if00-port0");
    fs::create_symlink("../dev/ttyUSB7", root / "by-id" / "usb-gone-if00-port0");

    std::vector<ComPortInfo> list;
    EnumComPortInfo(list, root, root / "by-id");
    std::vector<std::string> shown;
    for (const ComPortInfo& port : list) {
        std::string line = port.name + " — " + port.description + (port.usb ? " [usb]" : "");
        if (!port.stableLink.empty()) // appended: GCC 12's Release build takes " " + string for an overlap
            line.append(" ").append(fs::path(port.stableLink).filename().string());
        shown.push_back(line);
    }
    EXPECT_EQ(shown,
              (std::vector<std::string>{"ttyACM0 — Arduino Uno [usb]",
                                        "ttyUSB0 — FT232R USB UART (FTDI) [usb] usb-FTDI_FT232R-if00-port0",
                                        "ttyUSB1 — USB-адаптер [usb]", "COM1 — встроенный порт"}));
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
    const std::pair<const char*, const char*> devices[] = {
        {"COM1", "/dev/ttyS0"},
        {"COM2", "/dev/ttyS1"},
        {"COM10", "/dev/ttyS9"},
        {"com2", "/dev/ttyS1"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/serial/by-id/usb-adapter", "/dev/serial/by-id/usb-adapter"},
        {"COM0", "/dev/COM0"},
        {"COMx", "/dev/COMx"},
        {"COM99999999999", "/dev/COM99999999999"}};
    for (const auto& [name, device] : devices)
        EXPECT_EQ(DevicePathOf(name), device) << name;
    const std::pair<const char*, const char*> names[] = {
        {"ttyS0", "COM1"}, {"ttyS15", "COM16"}, {"ttyUSB0", "ttyUSB0"}};
    for (const auto& [device, name] : names)
        EXPECT_EQ(PortNameOf(device), name) << device;
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
