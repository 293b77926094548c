#include "AppTestSupport.h"
#include "app/SettingsFile.h"

#include "voice/Checksum.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

QApplication& TestApplication() {
    return *qobject_cast<QApplication*>(QCoreApplication::instance());
}

TemporaryWorkingDirectory::TemporaryWorkingDirectory() : previous_(QDir::currentPath()) {
    EXPECT_TRUE(dir_.isValid());
    EXPECT_TRUE(QDir::setCurrent(dir_.path()));
}

TemporaryWorkingDirectory::~TemporaryWorkingDirectory() {
    QDir::setCurrent(previous_);
}

TemporaryHome::TemporaryHome() : home_(qgetenv("HOME")), configHome_(qgetenv("XDG_CONFIG_HOME")) {
    EXPECT_TRUE(QDir(dir_.path()).mkpath("Documents"));
    qputenv("HOME", dir_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", FilePath(".config").toLocal8Bit());
    QSettings::setPath(SettingsFile::kProgramSettingsFormat, QSettings::UserScope, FilePath(".config"));
}

QString TemporaryHome::Documents() const {
#ifdef _WIN32
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
#else
    return FilePath("Documents");
#endif
}

TemporaryHome::~TemporaryHome() {
    qputenv("HOME", home_);
    qputenv("XDG_CONFIG_HOME", configHome_);
}

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray VoiceFileBytes(const VoiceImage& image, const char* header) {
    QByteArray bytes(header, 22);
    bytes.append(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
    bytes.append(char(Checksum(image)));
    return bytes;
}

void FillSlot(VoiceBank& bank, std::uint8_t slot, std::uint32_t samples) {
    bank.ClearSlot(slot);
    for (std::uint32_t i = 0; i < samples; ++i)
        bank.AppendSample(slot, std::int16_t((i * 2654435761u) >> 20));
}
