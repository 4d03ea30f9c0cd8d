#include "common/settings.h"

#include "common/files.h"
#include "common/form4.h"
#include "common/shared.h"
#include "common/window.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace tavrelis {

namespace {

// A number line, read as the platform's conversion to a 32-bit integer reads it.
qint32 read_number_line(const QString& line) {
    const QString t = line.trimmed();
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok)
        throw Error(QStringLiteral("Type mismatch"));
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        throw Error(QStringLiteral("Overflow"));
    return qint32(v);
}

QString with_separator(const QString& path) {
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        return path;
    return path + platform::separator();
}

void write_lines(const QString& S, const QString& up_path, qint32 number, qint32 year) {
    const QString text = up_path + QStringLiteral("\r\n") + print_number(number) +
                         QStringLiteral("\r\n") + print_number(year) + QStringLiteral("\r\n");
    QSaveFile f(S);
    if (!f.open(QIODevice::WriteOnly))
        throw Error(
            QStringLiteral("Не удалось записать файл настроек \"%1\": %2").arg(S, f.errorString()));
    // commit() does not see a write that failed while the buffer was flushed (a full disk)
    // and would put the short file in place of the whole one; flushing first shows it, and
    // the temporary file goes with f.
    const QByteArray bytes = platform::to_cp1251(text);
    if (f.write(bytes) != bytes.size() || !f.flush() || !f.commit())
        throw Error(
            QStringLiteral("Не удалось записать файл настроек \"%1\": %2").arg(S, f.errorString()));
}

} // namespace

SettingsPaths settings_paths() {
    const QString base = platform::appdata();
    const QChar sep = platform::separator();
    return {base + sep + QStringLiteral("V2_Payments") + sep,
            base + sep + QStringLiteral("V2_Payments") + sep + QStringLiteral("V2_payments.ini")};
}

QString default_export_folder() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\ПП");
#else
    return QDir::home().filePath(QStringLiteral("ПП"));
#endif
}

QString print_number(qint32 n) {
    if (n < 0)
        return QStringLiteral("-") + QString::number(-qint64(n)) + QStringLiteral(" ");
    return QStringLiteral(" ") + QString::number(n) + QStringLiteral(" ");
}

SettingsValues parse_settings(const QByteArray& bytes) {
    QStringList lines = platform::from_cp1251(bytes).split(QStringLiteral("\n"));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    // A final line break does not start a fourth line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() < 3)
        throw Error(QStringLiteral("Input past end of file"));
    SettingsValues v;
    v.up_path = lines[0];
    v.last_number = read_number_line(lines[1]);
    v.last_year = read_number_line(lines[2]);
    return v;
}

QString settings_startup(const SettingsPaths& paths) {
    Shared& sh = shared();
    QString err;
    if (!folder_exists(paths.bez))
        make_folder_tree(paths.bez, err); // a failure shows later, when the file is written

    const int year = platform::today().year();
    if (QFileInfo::exists(paths.S)) {
        QFile f(paths.S);
        if (!f.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Не удалось прочитать файл настроек \"%1\": %2")
                            .arg(paths.S, f.errorString()));
        const SettingsValues v = parse_settings(f.readAll());
        sh.up_path = v.up_path;
        sh.last_number = v.last_number;
        sh.last_year = v.last_year;
        const QString p = with_separator(sh.up_path);
        if (!folder_exists(p))
            make_folder_tree(p, err);
    } else {
        const QString up = default_export_folder();
        write_lines(paths.S, up, 0, year);
        sh.up_path = up;
        if (!folder_exists(up))
            QDir().mkdir(up); // one level only, as a first run does
    }

    if (year > sh.last_year) {
        sh.last_year = year;
        return QStringLiteral("1");
    }
    if (sh.last_number == std::numeric_limits<qint32>::max())
        throw Error(QStringLiteral("Overflow"));
    return QString::number(sh.last_number + 1);
}

void write_settings(const QString& S) {
    const Shared& sh = shared();
    write_lines(S, sh.up_path, sh.last_number, sh.last_year);
}

bool save_counter(const QString& S) {
    try {
        write_settings(S);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void write_settings_or_say(const QString& S) {
    try {
        write_settings(S);
    } catch (const std::exception& e) {
        platform::msgbox(describe(e), platform::vbCritical, kTitle);
    }
}

} // namespace tavrelis
