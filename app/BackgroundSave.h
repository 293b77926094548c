#pragma once

#include "voice/Voicebank.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>

// Writes the bank to its file shortly after each change, on a thread of its own, so that a crash or a
// power cut loses at most the last moments of work and the window never waits for the disk. The GUI
// thread only takes the image (a copy), which is cheap.
class BackgroundSave : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDelay{1000};

    // The image to write now; nothing when the bank can't be read at the moment (tried again later).
    using Snapshot = std::function<std::unique_ptr<VoiceImage>()>;

    BackgroundSave(std::filesystem::path path, Snapshot snapshot, QObject* parent = nullptr);
    ~BackgroundSave() override; // waits for a write in progress

    // After a change to the bank: a write follows within the delay (one write for changes close together).
    void Changed();
    // Waits for a write in progress and drops the one pending, whose result is no longer reported:
    // the caller writes the file itself.
    void Wait();

signals:
    void Failed(std::error_code reason);
    void Succeeded();

private:
    void Start();
    void Finished(unsigned run, std::error_code reason);

    std::filesystem::path path_;
    Snapshot snapshot_;
    QTimer delay_;
    std::thread writer_;
    bool writing_ = false;
    bool changedMeanwhile_ = false;
    unsigned run_ = 0; // a result of an earlier run that Wait gave up on is ignored
};
