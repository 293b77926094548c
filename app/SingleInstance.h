#pragma once

#include <QDir>
#include <QLocalServer>
#include <QLockFile>
#include <QString>

#include <functional>

// Marks the running copy of the program for the user: a lock file and a local socket named after the
// application's title in a per-user directory. Linux has no reliable way to find another program's
// window by its title, so a later start looks for these instead. A lock left by a copy that died is
// taken over. A second lock in the working folder keeps out a copy started with another per-user
// directory (another session's XDG_RUNTIME_DIR): two copies would overwrite each other's files there.
class SingleInstance {
public:
    SingleInstance(const QString& directory, const QString& name,
                   const QString& workingDirectory = QDir::currentPath());
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy holds the lock or answers on the socket. A later copy that finds this
    // one knocks on its socket, so that it can come to the front.
    bool IsFirst() const { return first_; }

    // The first copy: runs whenever a later copy has knocked (in the event loop).
    void OnLaterStart(std::function<void()> knocked) { knocked_ = std::move(knocked); }

    // The per-user runtime directory where the running copy is marked.
    static QString DefaultDirectory();

private:
    QLockFile folderLock_;
    QLockFile lock_;
    QLocalServer server_;
    bool first_ = false;
    std::function<void()> knocked_;
};
