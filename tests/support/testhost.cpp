#include "support/testhost.h"
#include "support/faults.h"
#include "support/support.h"

#include "data/database_file.h"
#include "data/schema.h"
#include "platform/registry_file.h"

#include <QDir>
#include <QFile>

namespace testsupport {

namespace {

const char* const kEnv[] = {"APPDATA", "HOME", "TEMP"};

bool run_script(const QString& file, const QString& sql) {
    const QString error = tavrelis::data::run_script(file, sql);
    if (!error.isEmpty())
        qWarning("%s\n  in: %s", qPrintable(error), qPrintable(sql.left(300)));
    return error.isEmpty();
}

QVector<QStringList> rows_of(const QString& file, const QString& sql, const QString& null_text) {
    const tavrelis::data::Rows r = tavrelis::data::read_rows(file, sql, true);
    if (!r.error.isEmpty())
        qWarning("%s\n  in: %s", qPrintable(r.error), qPrintable(sql));
    QVector<QStringList> out;
    for (const QVariantList& row : r.rows) {
        out.append(QStringList());
        for (const QVariant& v : row)
            out.last() << (v.isNull() ? null_text : v.toString());
    }
    return out;
}

} // namespace

TestHost::TestHost() {
    for (int i = 0; i < 3; ++i) {
        saved_[i] = qgetenv(kEnv[i]);
        const QString sub = QString::fromLatin1(kEnv[i]).toLower();
        QDir(dir()).mkpath(sub);
        qputenv(kEnv[i], QFile::encodeName(dir() + u'/' + sub));
    }
    QDir(dir()).mkpath(QStringLiteral("Data"));
    for (const QString& e :
         {tavrelis::data::create_database(settlements_file(),
                                          tavrelis::data::settlements_schema_sql()),
          tavrelis::data::create_database(taxpayer_file(), tavrelis::data::taxpayer_schema_sql())})
        if (!e.isEmpty())
            qWarning("%s", qPrintable(e));
    write_registry(data_dir() + QStringLiteral("/"), 93);
}

TestHost::~TestHost() {
    tavrelis::platform::set_registry_file(QString());
    for (int i = 0; i < 3; ++i)
        qputenv(kEnv[i], saved_[i]);
}

bool TestHost::settlements(const QString& sql) {
    return run_script(settlements_file(), sql);
}
bool TestHost::taxpayer(const QString& sql) {
    return run_script(taxpayer_file(), sql);
}

QVector<QStringList> TestHost::settlements_rows(const QString& sql) const {
    return rows_of(settlements_file(), sql, QStringLiteral("<null>"));
}

QString TestHost::settlements_value(const QString& sql) const {
    return settlements_rows(sql).value(0).value(0);
}

void TestHost::write_registry(const QString& db_path, int version) {
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n");
    text += QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\r\n");
    if (!db_path.isEmpty())
        text += QStringLiteral("\"DataBasePath\"=\"%1\"\r\n")
                    .arg(QString(db_path)
                             .replace(u'\\', QStringLiteral("\\\\"))
                             .replace(u'"', QStringLiteral("\\\"")));
    text += QStringLiteral("\r\n");
    if (version > 0)
        text += QStringLiteral("[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\r\n"
                               "\"VersionAssemble\"=dword:%1\r\n")
                    .arg(version, 8, 16, QLatin1Char('0'));
    write_file(registry_file(), text.toUtf8());
    tavrelis::platform::set_registry_file(registry_file());
}

// Declared with the fault helpers; here because it needs the module's data layer.
QString run_sql(const QString& file, const QString& sql) {
    return tavrelis::data::run_script(file, sql);
}

QVector<QStringList> query(const QString& file, const QString& sql) {
    return rows_of(file, sql, QString());
}

} // namespace testsupport
