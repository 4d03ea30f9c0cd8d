// Paths as text (the checks make_folder_tree makes before it touches anything): full_path
// and split_path under the Windows rules and this system's, on any path and current folder.
// Nothing here creates or reads a folder.

#include "common/files.h"
#include "fuzz_support.h"

#include <QStringList>
#include <fuzzer/FuzzedDataProvider.h>

using namespace tavrelis;
using fuzzsupport::check;

namespace {

QString text(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The root and the rest together give the full path back; the root always ends in a
// separator, which the full path may not have after it ("\\?\C:x", "\\srv\share").
bool rejoins(const QString& full, const QString& root, const QString& rest, QChar sep) {
    return full == root + rest || full == root + rest + sep || full == root.chopped(1) + rest;
}

void windows_rules(const QString& path, const QString& current) {
    const QString detail = path + " | " + current;
    const QString full = win::full_path(path, current);
    if (!full.isEmpty())
        check(win::full_path(full, current) == full, "win::full_path of a full path is itself",
              detail + " -> " + full);
    QString root, rest;
    if (win::split_path(path, current, root, rest)) {
        check(!full.isEmpty(), "win::split_path splits what full_path refuses", detail);
        check(root.endsWith(u'\\'), "win::split_path root ends in a separator", root);
        check(rejoins(full, root, rest, u'\\'), "win::split_path parts rejoin",
              detail + " -> " + root + " + " + rest);
    }
}

void posix_rules(const QString& path, const QString& current) {
    const QString detail = path + " | " + current;
    const QString full = posix::full_path(path, current);
    if (!full.isEmpty()) {
        check(full.startsWith(u'/'), "posix::full_path is absolute", detail);
        check(posix::full_path(full, QString()) == full,
              "posix::full_path of a full path is itself", detail + " -> " + full);
        const QStringList names = full.split(u'/');
        for (qsizetype i = 1; i + 1 < names.size(); ++i)
            check(!names[i].isEmpty() && names[i] != u"." && names[i] != u"..",
                  "posix::full_path leaves no empty, . or .. name", full);
    }
    QString root, rest;
    if (posix::split_path(path, current, root, rest)) {
        check(root == u"/", "posix::split_path root is /", detail);
        check(rejoins(full, root, rest, u'/'), "posix::split_path parts rejoin",
              detail + " -> " + rest);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString path = text(in.ConsumeRandomLengthString(512));
    const QString current = text(in.ConsumeRemainingBytesAsString());
    windows_rules(path, current);
    posix_rules(path, current);

    // Against the process's own folder, as the module calls it.
    QString root, rest;
    if (split_path(path, root, rest))
        check(root == u"/" && !full_path(path).isEmpty(), "split_path agrees with full_path", path);
    return 0;
}
