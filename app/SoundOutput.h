#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// Where the window plays a phrase: 16-bit samples at 8000 Hz, mono. The device's is the sound
// server's default output; tests put a recorder in its place.
class SoundOutput : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts playing. False, with the reason in words a user can act on, when nothing can be played.
    virtual bool Play(const std::vector<std::int16_t>& samples, QString& reason) = 0;
    // Ends the clip at once; Finished is not emitted for it.
    virtual void Stop() = 0;

signals:
    void Finished();                    // the clip has been played to its end
    void Failed(const QString& reason); // the device gave up while playing

public:
    // The default output through Qt Multimedia.
    static std::unique_ptr<SoundOutput> Device();
};
