#include "platform/singleinstance.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace corvane {

namespace {

// A lock file whose contents cannot be read is normally one being written this moment by a
// copy that is starting; past this age it is the remains of a crash and is taken over.
constexpr qint64 kUnreadableLockAgeSecs = 10;

QString UserName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = QStringLiteral("user");
    QString safe;
    for (const QChar c : user)
        safe += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('.')
                    ? c
                    : QLatin1Char('_');
    return safe;
}

} // namespace

QString SingleInstanceLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("corvane-%1.lock").arg(UserName()));
}

SingleInstanceLock::SingleInstanceLock(const QString& path)
    : lock_(std::make_unique<QLockFile>(path)), path_(path) {
    // A running copy keeps its lock for as long as it runs: age alone never makes it stale.
    lock_->setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock() = default;

bool SingleInstanceLock::claim() {
    if (held_)
        return true;
    held_ = lock_->tryLock(0);
    if (held_ || lock_->error() != QLockFile::LockFailedError)
        return held_;
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock_->getLockInfo(&pid, &host, &application))
        return false;
    const QDateTime modified = QFileInfo(path_).lastModified();
    if (modified.isValid() &&
        modified.secsTo(QDateTime::currentDateTime()) > kUnreadableLockAgeSecs) {
        lock_->removeStaleLockFile();
        held_ = lock_->tryLock(0);
    }
    return held_;
}

} // namespace corvane
