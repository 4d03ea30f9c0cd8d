#include "common/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <sys/stat.h>

namespace tavrelis {

namespace {

const QString kBack = QStringLiteral("\\");

bool has_nul(const QString& p) {
    return p.contains(QChar(u'\0'));
}

// Folds names onto a stack: empty names and "." vanish, ".." drops the last one and never
// climbs above the root.
void fold_names(QStringList& stack, const QStringList& names) {
    for (const QString& name : names) {
        if (name.isEmpty() || name == u".")
            continue;
        if (name == u"..") {
            if (!stack.isEmpty())
                stack.removeLast();
            continue;
        }
        stack.append(name);
    }
}

bool is_drive_path(const QString& p) {
    return p.size() >= 2 && p[1] == u':' && p[0].isLetter() && p[0].unicode() < 128;
}

// An absolute Windows path (with "\" only) taken apart: its root without the closing "\"
// ("C:" or "\\srv\share") and the names below it, still unresolved.
struct WinAbsolute {
    QString root;
    QStringList names;
};

bool win_absolute(const QString& p, WinAbsolute& out) {
    if (is_drive_path(p) && p.size() >= 3 && p[2] == u'\\') {
        out.root = p.left(2);
        out.names = p.mid(3).split(u'\\');
        return true;
    }
    if (p.startsWith(QStringLiteral("\\\\"))) {
        const QStringList parts = p.mid(2).split(u'\\');
        if (parts.size() < 2 || parts[0].isEmpty() || parts[1].isEmpty())
            return false;
        out.root = QStringLiteral("\\\\") + parts[0] + kBack + parts[1];
        out.names = parts.mid(2);
        return true;
    }
    return false;
}

QString win_join(const QString& root, const QStringList& names, bool trailing) {
    const bool drive = root.size() == 2;
    if (names.isEmpty())
        return drive || trailing ? root + kBack : root;
    QString out = root + kBack + names.join(kBack);
    if (trailing)
        out += kBack;
    return out;
}

} // namespace

namespace win {

QString full_path(const QString& path, const QString& current) {
    QString p = path;
    p.replace(u'/', u'\\');
    if (p.isEmpty() || has_nul(p))
        return QString();
    if (p.startsWith(QStringLiteral("\\\\?\\")))
        return p; // the prefix asks for the path exactly as written
    const bool trailing = p.endsWith(kBack);

    WinAbsolute abs;
    if (win_absolute(p, abs)) {
        QStringList stack;
        fold_names(stack, abs.names);
        return win_join(abs.root, stack, trailing);
    }
    if (p.startsWith(QStringLiteral("\\\\")))
        return p; // a server without a share: nothing to resolve

    QString cur = current;
    cur.replace(u'/', u'\\');
    if (has_nul(cur))
        return QString(); // names nothing, as a path holding one does
    WinAbsolute base;
    if (!win_absolute(cur, base) &&
        !(is_drive_path(cur) && cur.size() == 2 && win_absolute(cur + kBack, base)))
        return QString();
    QStringList stack;
    fold_names(stack, base.names);

    QString tail;
    if (is_drive_path(p)) {
        if (p.left(2).compare(base.root, Qt::CaseInsensitive) != 0) {
            // Another drive: its own current folder is not known here, so its root.
            base.root = p.left(2);
            stack.clear();
        }
        tail = p.mid(2);
    } else if (p.startsWith(kBack)) {
        stack.clear(); // rooted on the current drive or share
        tail = p.mid(1);
    } else {
        tail = p;
    }
    fold_names(stack, tail.split(u'\\'));
    return win_join(base.root, stack, trailing);
}

bool split_path(const QString& path, const QString& current, QString& root, QString& rest) {
    QString p = path;
    p.replace(u'/', u'\\');
    p = full_path(p, current);
    if (p.isEmpty())
        return false;

    if (p.left(8).toLower() == QStringLiteral("\\\\?\\unc\\")) {
        const qsizetype i = p.indexOf(u'\\', 8);
        if (i < 0)
            return false;
        const qsizetype j = p.indexOf(u'\\', i + 1);
        if (j < 0) {
            root = p + kBack;
            rest.clear();
        } else {
            root = p.left(j + 1);
            rest = p.mid(j + 1);
        }
        return true;
    }

    QString prefix;
    if (p.startsWith(QStringLiteral("\\\\?\\"))) {
        prefix = p.left(4);
        p = p.mid(4);
    }
    if (p.size() >= 2 && p[1] == u':') {
        root = prefix + p[0] + QStringLiteral(":\\");
        rest = p.mid(p.size() >= 3 && p[2] == u'\\' ? 3 : 2);
        return true;
    }
    if (p.startsWith(QStringLiteral("\\\\"))) {
        const qsizetype i = p.indexOf(u'\\', 2);
        if (i < 0)
            return false;
        const qsizetype j = p.indexOf(u'\\', i + 1);
        if (j < 0) {
            root = prefix + p + kBack;
            rest.clear();
        } else {
            root = prefix + p.left(j + 1);
            rest = p.mid(j + 1);
        }
        return true;
    }
    return false;
}

} // namespace win

namespace posix {

QString full_path(const QString& path, const QString& current) {
    QString p = path;
    p.replace(u'\\', u'/');
    if (p.isEmpty() || has_nul(p))
        return QString();
    const bool trailing = p.endsWith(u'/');
    QStringList stack;
    if (!p.startsWith(u'/')) {
        QString cur = current;
        cur.replace(u'\\', u'/');
        if (!cur.startsWith(u'/') || has_nul(cur))
            return QString();
        fold_names(stack, cur.split(u'/'));
    }
    fold_names(stack, p.split(u'/'));
    if (stack.isEmpty())
        return QStringLiteral("/");
    return u'/' + stack.join(u'/') + (trailing ? QStringLiteral("/") : QString());
}

bool split_path(const QString& path, const QString& current, QString& root, QString& rest) {
    const QString p = full_path(path, current);
    if (p.isEmpty())
        return false;
    root = QStringLiteral("/");
    rest = p.mid(1);
    if (rest.endsWith(u'/'))
        rest.chop(1);
    return true;
}

} // namespace posix

bool folder_exists(const QString& path) {
    QString p = path;
    p.replace(u'\\', u'/');
    if (p.isEmpty() || has_nul(p))
        return false;
    return QFileInfo(p).isDir();
}

QString full_path(const QString& path) {
    return posix::full_path(path, QDir::currentPath());
}

bool split_path(const QString& path, QString& root, QString& rest) {
    return posix::split_path(path, QDir::currentPath(), root, rest);
}

bool make_folder_tree(const QString& path, QString& err_text) {
    try {
        QString p = path;
        p.replace(u'\\', u'/');
        if (folder_exists(p))
            return true;
        QString root, rest;
        if (!split_path(p, root, rest)) {
            err_text = QStringLiteral("Ошибка в имени каталога (\"") + p + QStringLiteral("\").");
            return false;
        }
        if (!folder_exists(root)) {
            err_text =
                QStringLiteral("Ошибочно задан или не существует диск или корневой каталог (\"") +
                p + QStringLiteral("\").");
            return false;
        }
        if (!root.endsWith(u'/'))
            root += u'/';
        if (rest.startsWith(u'/'))
            rest.remove(0, 1);
        if (rest.endsWith(u'/'))
            rest.chop(1);
        if (rest.isEmpty())
            return true;

        QString cur = root;
        for (const QString& name : rest.split(u'/')) {
            cur += name + u'/';
            if (folder_exists(cur))
                continue;
            if (::mkdir(QFile::encodeName(cur).constData(), 0777) != 0) {
                const int code = errno;
                err_text = QStringLiteral("Ошибка создания каталога \"") + cur +
                           QStringLiteral("\": \r\n") + qt_error_string(code);
                return false;
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace tavrelis
