#include "platform/durable_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavrelis::platform {

namespace {

QString os_error() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

void sync_folder(const QString& file) {
    const int fd = ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString host_name() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return QString::fromLocal8Bit(name);
}

} // namespace

bool write_durable(const QString& path, const QByteArray& bytes, QString& reason) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        reason = f.errorString();
        return false;
    }
    const bool written = f.write(bytes) == bytes.size() && f.flush() && ::fsync(f.handle()) == 0;
    if (!written) {
        reason = f.errorString().isEmpty() ? os_error() : f.errorString();
        f.close();
        f.remove();
        return false;
    }
    f.close();
    return true;
}

bool link_new_name(const QString& from, const QString& to, bool& exists, QString& reason) {
    exists = false;
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::link(source.constData(), target.constData()) == 0) {
        sync_folder(to);
        return true;
    }
    if (errno == EEXIST) {
        exists = true;
        return false;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EXDEV) {
        reason = os_error();
        return false;
    }
    // No hard links here: the name is taken by an exclusive create, then the file moved on it.
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
        exists = errno == EEXIST;
        reason = os_error();
        return false;
    }
    ::close(fd);
    if (::rename(source.constData(), target.constData()) != 0) {
        reason = os_error();
        ::unlink(target.constData());
        return false;
    }
    sync_folder(to);
    return true;
}

QString process_owner() {
    return host_name() + u':' + QString::number(::getpid());
}

bool owner_gone_or_self(const QString& owner) {
    const qsizetype colon = owner.lastIndexOf(u':');
    if (colon < 0 || owner.left(colon) != host_name())
        return false;
    bool ok = false;
    const qint64 pid = owner.mid(colon + 1).toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
    if (pid == ::getpid())
        return true;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

void crash_point(const char* step) {
    static const QByteArray wanted = qgetenv("TAVRELIS_CRASH_AT");
    if (!wanted.isEmpty() && wanted == step)
        ::kill(::getpid(), SIGKILL);
}

} // namespace tavrelis::platform
