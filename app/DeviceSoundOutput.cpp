#include "DeviceSoundOutput.h"

#include "voice/Voicebank.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace {

// 250 ms of 16-bit samples: fed every 20 ms, with room for a late timer.
constexpr int kBufferBytes = kSampleRate * 2 / 4;

QString ErrorText(QAudio::Error error) {
    switch (error) {
    case QAudio::OpenError:
        return QStringLiteral("звуковое устройство не открывается (звуковой сервер не запущен или занят)");
    case QAudio::IOError:
        return QStringLiteral("ошибка обмена со звуковым устройством");
    case QAudio::FatalError:
        return QStringLiteral("звуковое устройство перестало отвечать");
    default:
        return QStringLiteral("неизвестная ошибка звукового устройства");
    }
}

} // namespace

std::unique_ptr<SoundOutput> SoundOutput::Device() {
    return std::make_unique<DeviceSoundOutput>();
}

DeviceSoundOutput::DeviceSoundOutput() {
    // Found by name where the time to the first bytes taken by the device is measured.
    buffer_.setParent(this);
    buffer_.setObjectName(QStringLiteral("clip"));
    // Idle may come with an underrun before the clip is spent; while playing, the device is fed and the
    // end looked for from time to time as well.
    endCheck_.setInterval(20);
    connect(&endCheck_, &QTimer::timeout, this, &DeviceSoundOutput::CheckEnd);
}

DeviceSoundOutput::~DeviceSoundOutput() {
    Stop();
}

bool DeviceSoundOutput::Play(const std::vector<std::int16_t>& samples, QString& reason) {
    Stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        reason = QStringLiteral("звуковое устройство не найдено (запущен ли звуковой сервер PulseAudio или "
                                "PipeWire?)");
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    data_ = QByteArray(reinterpret_cast<const char*>(samples.data()), qsizetype(samples.size() * 2));
    buffer_.setData(data_);
    buffer_.open(QIODevice::ReadOnly);
    clipUSecs_ = qint64(samples.size()) * 1000000 / kSampleRate;
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->setBufferSize(kBufferBytes);
    connect(sink_.get(), &QAudioSink::stateChanged, this, &DeviceSoundOutput::StateChanged);
    // Pushed rather than pulled: the first bytes go to the device within the click, not on the
    // sink's first pull some ten milliseconds later.
    device_ = sink_->start();
    // Without a sound server start() fails at once, and no state change says so.
    if (!device_ || sink_->error() != QAudio::NoError) {
        reason = ErrorText(sink_->error());
        Stop();
        return false;
    }
    Feed();
    endCheck_.start();
    return true;
}

// As much of the clip as the device has room for.
void DeviceSoundOutput::Feed() {
    const qint64 room = std::min<qint64>(sink_->bytesFree(), buffer_.bytesAvailable());
    if (room > 0)
        buffer_.seek(buffer_.pos() + device_->write(data_.constData() + buffer_.pos(), room));
}

void DeviceSoundOutput::Stop() {
    endCheck_.stop();
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
    device_ = nullptr;
    buffer_.close();
}

void DeviceSoundOutput::StateChanged(QAudio::State state) {
    if (state == QAudio::StoppedState && sink_->error() != QAudio::NoError &&
        sink_->error() != QAudio::UnderrunError) {
        const QString reason = ErrorText(sink_->error());
        Stop();
        emit Failed(reason);
        return;
    }
    if (state == QAudio::IdleState)
        CheckEnd();
}

// Finished only when the whole clip has been handed on to the device and played; until then the device
// is fed.
void DeviceSoundOutput::CheckEnd() {
    if (!device_) // not started yet: start() itself reports the first state
        return;
    Feed();
    if (!buffer_.atEnd() || sink_->processedUSecs() < clipUSecs_)
        return;
    Stop();
    emit Finished();
}
