#include "BackgroundSave.h"

#include "voice/VoiceFile.h"

#include <utility>

BackgroundSave::BackgroundSave(std::filesystem::path path, Snapshot snapshot, QObject* parent)
    : QObject(parent), path_(std::move(path)), snapshot_(std::move(snapshot)) {
    delay_.setSingleShot(true);
    delay_.setInterval(kDelay);
    connect(&delay_, &QTimer::timeout, this, &BackgroundSave::Start);
}

BackgroundSave::~BackgroundSave() {
    Wait();
}

// The delay is not restarted by later changes: a steady stream of them still gets written.
void BackgroundSave::Changed() {
    if (writing_) {
        changedMeanwhile_ = true;
        return;
    }
    if (!delay_.isActive())
        delay_.start();
}

void BackgroundSave::Wait() {
    delay_.stop();
    changedMeanwhile_ = false;
    if (writer_.joinable())
        writer_.join();
    writing_ = false;
    ++run_;
}

void BackgroundSave::Start() {
    std::unique_ptr<VoiceImage> image = snapshot_();
    if (!image) {
        delay_.start();
        return;
    }
    writing_ = true;
    writer_ = std::thread([this, run = run_, path = path_, image = std::move(image)] {
        std::error_code reason;
        if (WriteVoiceFile(path, *image, reason) != kVoiceFileOk && !reason)
            reason = std::make_error_code(std::errc::io_error);
        QMetaObject::invokeMethod(
            this, [this, run, reason] { Finished(run, reason); }, Qt::QueuedConnection);
    });
}

void BackgroundSave::Finished(unsigned run, std::error_code reason) {
    if (run != run_)
        return;
    writer_.join();
    writing_ = false;
    if (reason)
        emit Failed(reason);
    else
        emit Succeeded();
    if (std::exchange(changedMeanwhile_, false))
        Changed();
}
