#include "platform/env.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <dlfcn.h>

namespace tavrelis::platform {

namespace {
QDate fixed_today;
QString print_to;
} // namespace

QString appdata() {
    const QString v = qEnvironmentVariable("APPDATA");
    if (!v.isEmpty())
        return v;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString temp_folder() {
    for (const char* name : {"TEMP", "TMP"}) {
        const QString v = qEnvironmentVariable(name);
        if (!v.isEmpty())
            return v;
    }
    return QDir::tempPath();
}

QString module_folder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&module_folder), &info) != 0 && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QDir::currentPath();
}

QDate today() {
    return fixed_today.isValid() ? fixed_today : QDate::currentDate();
}

QDateTime now() {
    return fixed_today.isValid() ? QDateTime(fixed_today, QTime(12, 0))
                                 : QDateTime::currentDateTime();
}

void set_today(const QDate& day) {
    fixed_today = day;
}

void set_print_folder(const QString& folder) {
    print_to = folder;
}

QString print_folder() {
    return print_to;
}

QChar separator() {
    return QDir::separator();
}

} // namespace tavrelis::platform
