#pragma once

#include "SoundInput.h"

#include <QAudioFormat>

class QAudioSource;
class QIODevice;

// Capture through Qt Multimedia: the device's own rate and channels, read as the device delivers them.
class QtSoundInput final : public SoundInput {
public:
    QtSoundInput();
    ~QtSoundInput() override;

    std::vector<Device> Devices() override;
    int DefaultDevice() override;
    bool Start(const QByteArray& id, QString& reason) override;
    void Stop() override;
    int Rate() const override { return format_.sampleRate(); }

private:
    void ReadAvailable();
    void StateChanged();

    QAudioSource* source_ = nullptr; // owned
    QIODevice* io_ = nullptr;        // owned by source_
    QAudioFormat format_;
    QByteArray pending_; // a part frame left from the last read
};
