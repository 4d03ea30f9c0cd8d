#include "support/faults.h"

#include <QFile>
#include <sqlite3.h>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

namespace {

bool set_immutable(const QString& file, bool on) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

bool running_as_root() {
    return ::geteuid() == 0;
}

FileSizeLimit::FileSizeLimit(qint64 bytes) {
    rlimit lim{};
    if (::getrlimit(RLIMIT_FSIZE, &lim) != 0)
        return;
    soft_ = lim.rlim_cur;
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    lim.rlim_cur = rlim_t(bytes);
    active_ = ::setrlimit(RLIMIT_FSIZE, &lim) == 0;
}

FileSizeLimit::~FileSizeLimit() {
    rlimit lim{};
    if (::getrlimit(RLIMIT_FSIZE, &lim) == 0) {
        lim.rlim_cur = rlim_t(soft_);
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    std::signal(SIGXFSZ, old_handler_);
}

bool make_read_only(const QString& file, QString* why) {
    if (!running_as_root()) {
        if (::chmod(QFile::encodeName(file).constData(), 0444) == 0)
            return true;
        *why = QStringLiteral("chmod failed");
        return false;
    }
    if (set_immutable(file, true))
        return true;
    *why = QStringLiteral("running as root on a file system (or without the capability) that "
                          "has no immutable files: nothing makes a file read-only for root");
    return false;
}

void make_writable(const QString& file) {
    if (running_as_root())
        set_immutable(file, false);
    ::chmod(QFile::encodeName(file).constData(), 0644);
}

HeldLock::HeldLock(const QString& file) {
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db_, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK) {
        error_ = QString::fromUtf8(sqlite3_errmsg(db_));
        return;
    }
    char* msg = nullptr;
    held_ = sqlite3_exec(db_, "begin exclusive", nullptr, nullptr, &msg) == SQLITE_OK;
    if (!held_)
        error_ = QString::fromUtf8(msg);
    sqlite3_free(msg);
}

HeldLock::~HeldLock() {
    if (held_)
        sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
}

QString run_sql(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        char* msg = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &msg) != SQLITE_OK)
            error = QString::fromUtf8(msg);
        sqlite3_free(msg);
    }
    sqlite3_close(db);
    return error;
}

QVector<QStringList> query(const QString& file, const QString& sql) {
    QVector<QStringList> out;
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
            out << row;
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

} // namespace testsupport
