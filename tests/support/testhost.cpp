#include "support/testhost.h"
#include "support/faults.h"

#include "data/database_file.h"
#include "data/schema.h"
#include "platform/registry_file.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace testsupport {

namespace {

bool run_script(const QString& file, const QString& sql) {
    const QString error = tavrelis::data::run_script(file, sql);
    if (!error.isEmpty())
        qWarning("%s\n  in: %s", qPrintable(error), qPrintable(sql.left(300)));
    return error.isEmpty();
}

QVector<QStringList> rows_of(const QString& file, const QString& sql) {
    const tavrelis::data::Rows r = tavrelis::data::read_rows(file, sql, true);
    if (!r.error.isEmpty())
        qWarning("%s\n  in: %s", qPrintable(r.error), qPrintable(sql));
    QVector<QStringList> out;
    for (const QVariantList& row : r.rows) {
        QStringList texts;
        for (const QVariant& v : row)
            texts << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        out << texts;
    }
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
    for (const QString& e :
         {tavrelis::data::create_database(settlements_file(), settlements_sql),
          tavrelis::data::create_database(taxpayer_file(), tavrelis::data::taxpayer_schema_sql())})
        if (!e.isEmpty())
            qWarning("%s", qPrintable(e));
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

// Declared with the fault helpers; here because it needs the module's data layer.
QString run_sql(const QString& file, const QString& sql) {
    return tavrelis::data::run_script(file, sql);
}

QVector<QStringList> query(const QString& file, const QString& sql) {
    QVector<QStringList> out;
    for (const QVariantList& row : tavrelis::data::read_rows(file, sql, true).rows) {
        QStringList texts;
        for (const QVariant& v : row)
            texts << v.toString();
        out << texts;
    }
    return out;
}

} // namespace testsupport
