#include "DeviceSoundOutput.h"

#include "voice/Voicebank.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace {

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
    // Idle may come with an underrun before the clip is spent; while playing, the end is looked for
    // from time to time as well.
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
    connect(sink_.get(), &QAudioSink::stateChanged, this, &DeviceSoundOutput::StateChanged);
    sink_->start(&buffer_);
    // Without a sound server start() fails at once, and no state change says so.
    if (sink_->error() != QAudio::NoError) {
        reason = ErrorText(sink_->error());
        Stop();
        return false;
    }
    endCheck_.start();
    return true;
}

void DeviceSoundOutput::Stop() {
    endCheck_.stop();
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
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

// Finished only when the whole clip has been taken from the buffer and handed on to the device.
void DeviceSoundOutput::CheckEnd() {
    if (!sink_ || !buffer_.atEnd() || sink_->processedUSecs() < clipUSecs_)
        return;
    Stop();
    emit Finished();
}
