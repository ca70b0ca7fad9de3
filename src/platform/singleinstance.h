#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace corvane {

// The lock file that tells a second copy of the program, started by the same user, that one
// is already running: in the temporary folder, its name holding the user's name.
QString SingleInstanceLockPath();

// Holds the single-instance lock from the first successful claim until the object goes.
class SingleInstanceLock {
  public:
    explicit SingleInstanceLock(const QString& path);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this object holds the lock (taken now or before). A lock left behind by a
    // program that is no longer running is taken over; a lock of a running copy is
    // honoured however long it has been held.
    bool claim();
    bool held() const { return held_; }

  private:
    std::unique_ptr<QLockFile> lock_;
    QString path_;
    bool held_ = false;
};

} // namespace corvane
