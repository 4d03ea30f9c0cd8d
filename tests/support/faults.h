#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class QProcess;

namespace testsupport {

// Whether the tests run with root's rights, where file permissions stop no read or write.
bool running_as_root();

// Limits the size every file of this process may grow to, as a full disk does: a write past
// the limit fails (SIGXFSZ is ignored meanwhile). Restores the old limit when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    bool active_ = false;
    unsigned long long soft_ = 0;
    void (*old_handler_)(int) = nullptr;
};

// Makes a file or folder unwritable (permissions, or the immutable flag for root); false with
// the reason when neither works. make_writable undoes it before the folder is removed.
bool make_read_only(const QString& path, QString* why);
void make_writable(const QString& path);

// Another writer of a database: a second process (the sqlite3 shell) holding a write
// transaction for the seconds given, or, with 0, until the HeldLock goes.
class HeldLock {
public:
    explicit HeldLock(const QString& file, int seconds = 0);
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    bool held() const { return held_; }
    QString error() const { return error_; }

private:
    QProcess* process_ = nullptr;
    int seconds_ = 0;
    bool held_ = false;
    QString error_;
};

// Runs statements on a database; the engine's message on failure.
QString run_sql(const QString& file, const QString& sql);
// Rows of a query, each field as text (null as empty); none when it fails.
QVector<QStringList> query(const QString& file, const QString& sql);

} // namespace testsupport
