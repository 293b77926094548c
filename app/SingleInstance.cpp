#include "SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

bool SomeoneAnswers(const QString& socketPath) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    return socket.waitForConnected(200);
}

} // namespace

SingleInstance::SingleInstance(const QString& directory, const QString& name, const QString& workingDirectory)
    : folderLock_(QDir(workingDirectory).filePath(QStringLiteral(".voice-programmer.lock"))),
      lock_(QDir(directory).filePath(name + QStringLiteral(".lock"))) {
    // Only a lock whose owner is gone is stale, however old it is. A folder where no lock can be made
    // says nothing about another copy: don't keep the user out.
    const QString socketPath = QDir(directory).filePath(name + QStringLiteral(".socket"));
    folderLock_.setStaleLockTime(0);
    if (!folderLock_.tryLock(0) && folderLock_.error() == QLockFile::LockFailedError) {
        SomeoneAnswers(socketPath); // the knock, when the running copy is of this session
        return;
    }
    QDir().mkpath(directory);
    lock_.setStaleLockTime(0);
    if (!lock_.tryLock(0)) {
        first_ = lock_.error() != QLockFile::LockFailedError;
        if (!first_)
            SomeoneAnswers(socketPath); // the knock
        return;
    }
    if (SomeoneAnswers(socketPath)) {
        lock_.unlock();
        return;
    }
    // What is left at the path belongs to a copy that died; the lock makes it ours to remove.
    QLocalServer::removeServer(socketPath);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketPath);
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection())
            socket->deleteLater();
        if (knocked_)
            knocked_();
    });
    first_ = true;
}

QString SingleInstance::DefaultDirectory() {
    // Without a session's runtime directory, Qt would make one under /tmp, where another user could
    // take the name first; the user's own cache folder is safe.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
               QStringLiteral("/voice-programmer");
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}
