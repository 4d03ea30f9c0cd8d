#include "support/testhost.h"

#include "data/schema.h"
#include "platform/registry_file.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sqlite3.h>

namespace testsupport {

// Read-write though it only reads (never creating): a read-only reader of a log-mode file
// leaves the file's -wal and -shm behind, where the host's own connections remove them.
constexpr int kReader = SQLITE_OPEN_READWRITE;

namespace {

bool run_script(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) {
        qWarning("cannot open %s", qPrintable(file));
        sqlite3_close(db);
        return false;
    }
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK)
        qWarning("%s\n  in: %s", err, qPrintable(sql.left(300)));
    sqlite3_free(err);
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

QVector<QStringList> rows_of(const QString& file, const QString& sql) {
    QVector<QStringList> out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, kReader, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return out;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                if (sqlite3_column_type(st, i) == SQLITE_NULL)
                    row.append(QStringLiteral("<null>"));
                else
                    row.append(QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
            }
            out.append(row);
        }
    } else {
        qWarning("%s\n  in: %s", sqlite3_errmsg(db), qPrintable(sql));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QString reg_escape(const QString& s) {
    QString out = s;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return out;
}

} // namespace

TestHost::TestHost(int options, int version) {
    saved_appdata_ = qgetenv("APPDATA");
    saved_home_ = qgetenv("HOME");
    saved_temp_ = qgetenv("TEMP");
    QDir(dir()).mkpath(QStringLiteral("Data"));
    QDir(dir()).mkpath(QStringLiteral("appdata"));
    QDir(dir()).mkpath(QStringLiteral("home"));
    QDir(dir()).mkpath(QStringLiteral("temp"));
    qputenv("APPDATA", QFile::encodeName(dir() + QStringLiteral("/appdata")));
    qputenv("HOME", QFile::encodeName(dir() + QStringLiteral("/home")));
    qputenv("TEMP", QFile::encodeName(dir() + QStringLiteral("/temp")));
    const QString settlements_sql = (options & WithFactPayments)
                                        ? tavrelis::data::settlements_schema_sql()
                                        : tavrelis::data::settlements_core_schema_sql();
    // In write-ahead-log mode, as the host keeps them. One transaction per database: a sync
    // per table would make every test wait on the disk.
    const QString begin = QStringLiteral("PRAGMA journal_mode=WAL;\nBEGIN;\n"),
                  commit = QStringLiteral("\nCOMMIT;");
    run_script(settlements_file(), begin + settlements_sql + commit);
    run_script(taxpayer_file(), begin + tavrelis::data::taxpayer_schema_sql() + commit);
    write_registry(data_dir() + QStringLiteral("/"), version);
}

TestHost::~TestHost() {
    tavrelis::platform::set_registry_file(QString());
    qputenv("APPDATA", saved_appdata_);
    qputenv("HOME", saved_home_);
    qputenv("TEMP", saved_temp_);
}

QString TestHost::data_dir() const {
    return dir() + QStringLiteral("/Data");
}
QString TestHost::settlements_file() const {
    return data_dir() + QStringLiteral("/Fsk_Base.mdb");
}
QString TestHost::taxpayer_file() const {
    return data_dir() + QStringLiteral("/Valmora2.mdb");
}
QString TestHost::registry_file() const {
    return dir() + QStringLiteral("/registry.reg");
}

bool TestHost::settlements(const QString& sql) {
    return run_script(settlements_file(), sql);
}
bool TestHost::taxpayer(const QString& sql) {
    return run_script(taxpayer_file(), sql);
}

QVector<QStringList> TestHost::settlements_rows(const QString& sql) const {
    return rows_of(settlements_file(), sql);
}

QVector<QStringList> TestHost::taxpayer_rows(const QString& sql) const {
    return rows_of(taxpayer_file(), sql);
}

QString TestHost::settlements_value(const QString& sql) const {
    const auto rows = settlements_rows(sql);
    return rows.isEmpty() || rows[0].isEmpty() ? QString() : rows[0][0];
}

void TestHost::write_registry(const QString& db_path, int version) {
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n");
    text += QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\r\n");
    if (!db_path.isEmpty())
        text += QStringLiteral("\"DataBasePath\"=\"%1\"\r\n").arg(reg_escape(db_path));
    text += QStringLiteral("\r\n");
    if (version > 0)
        text += QStringLiteral("[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\r\n"
                               "\"VersionAssemble\"=dword:%1\r\n")
                    .arg(version, 8, 16, QLatin1Char('0'));
    QFile f(registry_file());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text.toUtf8());
    f.close();
    tavrelis::platform::set_registry_file(registry_file());
}

} // namespace testsupport
