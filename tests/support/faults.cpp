#include "support/faults.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

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

bool make_read_only(const QString& path, QString* why) {
    const bool root = running_as_root();
    if (root ? set_immutable(path, true)
             : ::chmod(QFile::encodeName(path).constData(),
                       QFileInfo(path).isDir() ? 0555 : 0444) == 0)
        return true;
    *why = root ? QStringLiteral("running as root on a file system (or without the capability) "
                                 "that has no immutable files: nothing makes a file read-only "
                                 "for root")
                : QStringLiteral("chmod failed");
    return false;
}

void make_writable(const QString& path) {
    if (running_as_root())
        set_immutable(path, false);
    ::chmod(QFile::encodeName(path).constData(), QFileInfo(path).isDir() ? 0755 : 0644);
}

HeldLock::HeldLock(const QString& file, int seconds) : process_(new QProcess), seconds_(seconds) {
    // A group of its own, so that the shell's sleep goes with it.
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
    process_->start(QStringLiteral("sqlite3"), {file});
    if (!process_->waitForStarted()) {
        error_ = QStringLiteral("sqlite3: ") + process_->errorString();
        return;
    }
    QByteArray script = ".bail on\nBEGIN IMMEDIATE;\nSELECT 'held';\n";
    if (seconds > 0)
        script += ".shell sleep " + QByteArray::number(seconds) + "\nROLLBACK;\n.quit\n";
    process_->write(script);
    QByteArray out;
    while (!out.contains("held") && process_->waitForReadyRead(10000))
        out += process_->readAllStandardOutput();
    held_ = out.contains("held");
    if (!held_)
        error_ = QString::fromUtf8(process_->readAllStandardError());
}

HeldLock::~HeldLock() {
    // Let go as a writer does, so that the shell removes the log files it made; a shell
    // still sleeping out its time is killed with its sleep.
    if (process_->state() != QProcess::NotRunning) {
        if (!seconds_) {
            process_->write("ROLLBACK;\n.quit\n");
            process_->closeWriteChannel();
        }
        if (seconds_ || !process_->waitForFinished()) {
            if (::kill(-pid_t(process_->processId()), SIGKILL) != 0)
                process_->kill();
            process_->waitForFinished();
        }
    }
    delete process_;
}

} // namespace testsupport
