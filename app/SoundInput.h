#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// A sound input device, as the record dialog uses it: a list of devices, and the capture of one of them
// at its own rate, mixed down to mono. Tests install a source of their own.
class SoundInput : public QObject {
    Q_OBJECT

public:
    struct Device {
        QByteArray id;
        QString name;
    };

    // The devices and the index of the system's default (-1 when the system marks none).
    virtual std::vector<Device> Devices() = 0;
    virtual int DefaultDevice() = 0;

    // Starts capturing from the device; on failure, false and the reason in the user's words.
    virtual bool Start(const QByteArray& id, QString& reason) = 0;
    virtual void Stop() = 0;
    virtual int Rate() const = 0; // of the running capture, samples per second

    // The Qt Multimedia input unless a test installed a maker of its own.
    static std::unique_ptr<SoundInput> Open();
    using Maker = std::function<std::unique_ptr<SoundInput>()>;
    static void Install(Maker maker); // an empty maker restores Qt Multimedia's

signals:
    void Captured(const std::vector<float>& mono); // samples in -1..1, in the order they came
    void Failed(const QString& reason);            // the running capture stopped
};
