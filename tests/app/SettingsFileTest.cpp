#include "app/SettingsFile.h"

#include "AppTestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kHeader("[KestrovanupalmerithCfg]");
const QByteArray kMagic("\x12\xB9\xF5\x58", 4);

QByteArray Record(char portNumber, const QByteArray& magic = kMagic) {
    return kHeader + QByteArray(1, portNumber) + magic;
}

class SettingsFileTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
    const QString path = dir.FilePath(QStringLiteral("kpq.cfg"));

    SettingsFile::Loaded LoadBytes(const QByteArray& bytes) {
        WriteFileBytes(path, bytes);
        return SettingsFile::Load(path);
    }
};

TEST_F(SettingsFileTest, PortsComOneToEightAreStoredAsTheirNumberInExactly29Bytes) {
    for (char n = 1; n <= 8; ++n) {
        const std::string name = "COM" + std::to_string(int(n));
        ASSERT_EQ(SettingsFile::Save(path, name), 0);
        EXPECT_EQ(ReadFileBytes(path), Record(n)) << name;
        const SettingsFile::Loaded loaded = SettingsFile::Load(path);
        EXPECT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.port, name);
    }
}

TEST_F(SettingsFileTest, OtherNamesGetNumberTwoAndFollowTheRecordByName) {
    for (const std::string name : std::initializer_list<const char*>{
             "ttyUSB0", "/dev/serial/by-id/usb-Адаптер_1-if00", "COM12", "com3", "COM"}) {
        ASSERT_EQ(SettingsFile::Save(path, name), 0);
        EXPECT_EQ(ReadFileBytes(path), Record(2) + QByteArray::fromStdString(name)) << name;
        const SettingsFile::Loaded loaded = SettingsFile::Load(path);
        EXPECT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.port, name);
    }
}

TEST_F(SettingsFileTest, NamesThatCantBeStoredFallBackToComTwo) {
    for (const std::string& name : {std::string(), std::string(256, 'x')}) {
        ASSERT_EQ(SettingsFile::Save(path, name), 0);
        EXPECT_EQ(ReadFileBytes(path), Record(2));
    }
    ASSERT_EQ(SettingsFile::Save(path, std::string(255, 'x')), 0);
    EXPECT_EQ(ReadFileBytes(path).size(), 29 + 255);
}

TEST_F(SettingsFileTest, SavingReplacesALongerFileWhole) {
    ASSERT_EQ(SettingsFile::Save(path, "ttyACM0"), 0);
    ASSERT_EQ(SettingsFile::Save(path, "COM3"), 0);
    EXPECT_EQ(ReadFileBytes(path), Record(3));
}

TEST_F(SettingsFileTest, SavingWhereNoFileCanBeCreatedFails) {
    EXPECT_EQ(SettingsFile::Save(dir.FilePath(QStringLiteral("missing/kpq.cfg")), "COM1"), 1);
    ASSERT_TRUE(QDir(dir.FilePath(QString())).mkdir(QStringLiteral("kpq.cfg")));
    EXPECT_EQ(SettingsFile::Save(path, "COM1"), 1);
}

TEST_F(SettingsFileTest, MissingOrUnreadableFilesFail) {
    EXPECT_EQ(SettingsFile::Load(path).result, 1);
    ASSERT_TRUE(QDir(dir.FilePath(QString())).mkdir(QStringLiteral("kpq.cfg")));
    EXPECT_EQ(SettingsFile::Load(path).result, 1);
}

TEST_F(SettingsFileTest, ShortOrDamagedRecordsFail) {
    EXPECT_NE(LoadBytes(QByteArray()).result, 0);
    EXPECT_NE(LoadBytes(kHeader).result, 0);
    EXPECT_NE(LoadBytes(Record(3).left(28)).result, 0);
    EXPECT_NE(LoadBytes(Record(3, QByteArray("\x12\xB9\xF5\x59", 4))).result, 0);
    QByteArray header = Record(3);
    header[5] = 'x';
    EXPECT_NE(LoadBytes(header).result, 0);
    EXPECT_FALSE(LoadBytes(header).port);
    header = Record(3);
    header[23] = '\0';
    EXPECT_NE(LoadBytes(header).result, 0);
}

// The port is taken from a valid header before the magic number is checked, as the record is read in
// order; the window replaces it with COM2 when the whole record fails.
TEST_F(SettingsFileTest, PortNumberIsReadBeforeTheMagicNumberIsChecked) {
    const SettingsFile::Loaded loaded = LoadBytes(Record(6, QByteArray(4, '\0')));
    EXPECT_NE(loaded.result, 0);
    EXPECT_EQ(loaded.port, "COM6");
    EXPECT_EQ(LoadBytes(kHeader).port, "COM2"); // the port byte keeps its preset 2
}

TEST_F(SettingsFileTest, PortNumbersOutsideOneToEightLeaveThePortAlone) {
    for (char n : {'\0', '\x09', '\xFF'}) {
        const SettingsFile::Loaded loaded = LoadBytes(Record(n));
        EXPECT_EQ(loaded.result, 0);
        EXPECT_FALSE(loaded.port);
    }
}

TEST_F(SettingsFileTest, ANameAfterTheRecordIsTakenOnlyWhenItIsOneThatSaveWrites) {
    EXPECT_EQ(LoadBytes(Record(2) + "ttyUSB1").port, "ttyUSB1");
    EXPECT_EQ(LoadBytes(Record(5) + "ttyUSB1").port, "ttyUSB1");
    EXPECT_EQ(LoadBytes(Record(5) + QByteArray(256, 'x')).port, "COM5");
    EXPECT_EQ(LoadBytes(Record(5) + QByteArray("tty\0USB", 7)).port, "COM5");
    EXPECT_EQ(LoadBytes(Record(5) + QByteArray("tty\xFF", 4)).port, "COM5");
    EXPECT_EQ(LoadBytes(Record(5, QByteArray(4, '\0')) + "ttyUSB1").port, "COM5");
}

} // namespace
