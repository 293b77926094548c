#include "QtSoundInput.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>

namespace {

SoundInput::Maker& Installed() {
    static SoundInput::Maker maker;
    return maker;
}

QString ErrorText(QAudio::Error error) {
    switch (error) {
    case QAudio::OpenError:
        return QStringLiteral("устройство записи не открывается (занято или отключено)");
    case QAudio::IOError:
        return QStringLiteral("ошибка чтения с устройства записи");
    case QAudio::FatalError:
        return QStringLiteral("устройство записи отключено или звуковой сервер недоступен");
    default:
        return QStringLiteral("устройство записи не отвечает");
    }
}

} // namespace

std::unique_ptr<SoundInput> SoundInput::Open() {
    return Installed() ? Installed()() : std::make_unique<QtSoundInput>();
}

void SoundInput::Install(Maker maker) {
    Installed() = std::move(maker);
}

QtSoundInput::QtSoundInput() = default;

QtSoundInput::~QtSoundInput() {
    Stop();
}

std::vector<SoundInput::Device> QtSoundInput::Devices() {
    std::vector<Device> devices;
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        devices.push_back({device.id(), device.description()});
    return devices;
}

int QtSoundInput::DefaultDevice() {
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    for (qsizetype i = 0; i < inputs.size(); ++i)
        if (inputs[i].isDefault())
            return int(i);
    return -1;
}

bool QtSoundInput::Start(const QByteArray& id, QString& reason) {
    Stop();
    QAudioDevice device;
    for (const QAudioDevice& input : QMediaDevices::audioInputs())
        if (input.id() == id)
            device = input;
    if (device.isNull()) {
        reason = QStringLiteral("устройство записи не найдено");
        return false;
    }
    // The device's own rate and channels, in float: nothing is converted before our own conversion.
    format_ = device.preferredFormat();
    format_.setSampleFormat(QAudioFormat::Float);
    if (!device.isFormatSupported(format_))
        format_ = device.preferredFormat();
    source_ = new QAudioSource(device, format_, this);
    connect(source_, &QAudioSource::stateChanged, this, &QtSoundInput::StateChanged);
    io_ = source_->start();
    // With no sound server the start fails at once and no state change follows.
    if (!io_ || source_->error() != QAudio::NoError) {
        reason = ErrorText(source_->error());
        Stop();
        return false;
    }
    connect(io_, &QIODevice::readyRead, this, &QtSoundInput::ReadAvailable);
    return true;
}

void QtSoundInput::Stop() {
    if (!source_)
        return;
    source_->disconnect(this);
    source_->stop();
    delete source_;
    source_ = nullptr;
    io_ = nullptr;
    pending_.clear();
}

void QtSoundInput::ReadAvailable() {
    const int frameBytes = format_.bytesPerFrame();
    const int channels = format_.channelCount();
    if (frameBytes <= 0)
        return;
    // The device's reader does not report what it holds (bytesAvailable stays 0): read all, and keep a
    // part frame for the next time.
    pending_.append(io_->readAll());
    const qsizetype frames = pending_.size() / frameBytes;
    if (frames == 0)
        return;
    std::vector<float> mono(std::size_t(frames), 0.0F);
    const int sampleBytes = format_.bytesPerSample();
    for (qsizetype f = 0; f < frames; ++f) {
        const char* frame = pending_.constData() + f * frameBytes;
        float sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += format_.normalizedSampleValue(frame + c * sampleBytes);
        mono[std::size_t(f)] = sum / float(channels);
    }
    pending_.remove(0, frames * frameBytes);
    emit Captured(mono);
}

// The source is not deleted inside its own signal: the stop waits for the event loop.
void QtSoundInput::StateChanged() {
    if (source_ && source_->error() != QAudio::NoError) {
        const QString reason = ErrorText(source_->error());
        source_->disconnect(this);
        QMetaObject::invokeMethod(
            this,
            [this, reason] {
                Stop();
                emit Failed(reason);
            },
            Qt::QueuedConnection);
    }
}
