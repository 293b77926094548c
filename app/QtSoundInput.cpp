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
    // Stop may run inside the source's own signal.
    source_->deleteLater();
    source_ = nullptr;
    io_ = nullptr;
}

void QtSoundInput::ReadAvailable() {
    const int frameBytes = format_.bytesPerFrame();
    const int channels = format_.channelCount();
    if (frameBytes <= 0)
        return;
    // Whole frames only: the rest stays for the next read.
    const qint64 available = io_->bytesAvailable();
    const QByteArray bytes = io_->read(available - available % frameBytes);
    if (bytes.isEmpty())
        return;
    std::vector<float> mono(std::size_t(bytes.size() / frameBytes));
    const int sampleBytes = format_.bytesPerSample();
    for (std::size_t f = 0; f < mono.size(); ++f) {
        const char* frame = bytes.constData() + qsizetype(f) * frameBytes;
        float sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += format_.normalizedSampleValue(frame + c * sampleBytes);
        mono[f] = sum / float(channels);
    }
    emit Captured(mono);
}

void QtSoundInput::StateChanged() {
    if (source_ && source_->error() != QAudio::NoError) {
        const QString reason = ErrorText(source_->error());
        Stop();
        emit Failed(reason);
    }
}
