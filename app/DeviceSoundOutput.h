#pragma once

#include "SoundOutput.h"

#include <QAudio>
#include <QBuffer>
#include <QByteArray>
#include <QTimer>

#include <memory>

class QAudioSink;

// One QAudioSink on the default output, made for each clip and let go when it ends: the device may
// have changed between two clicks.
class DeviceSoundOutput final : public SoundOutput {
public:
    DeviceSoundOutput();
    ~DeviceSoundOutput() override;

    bool Play(const std::vector<std::int16_t>& samples, QString& reason) override;
    void Stop() override;

private:
    void StateChanged(QAudio::State state);
    void Feed();
    void CheckEnd();

    QByteArray data_;
    QBuffer buffer_;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* device_ = nullptr; // the sink's, while it plays
    qint64 clipUSecs_ = 0;
    QTimer endCheck_;
};
