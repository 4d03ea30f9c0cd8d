#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

namespace testsupport {

// A host installation in a temporary folder (both databases, the registry file, APPDATA, HOME
// and TEMP inside it), filled with plain SQL.
class TestHost {
public:
    TestHost();
    ~TestHost();

    QString dir() const { return dir_.path(); }
    QString data_dir() const { return dir() + "/Data"; }
    QString settlements_file() const { return data_dir() + "/Fsk_Base.mdb"; }
    QString taxpayer_file() const { return data_dir() + "/Valmora2.mdb"; }
    QString registry_file() const { return dir() + "/registry.reg"; }

    // Runs a script of statements on a database; false (with a warning) on failure.
    bool settlements(const QString& sql);
    bool taxpayer(const QString& sql);
    // Rows of a query, each field as text ("<null>" for null).
    QVector<QStringList> settlements_rows(const QString& sql) const;
    QString settlements_value(const QString& sql) const; // first field of the first row

    // Rewrites the registry file: the database folder (empty leaves the value out) and the
    // host's build number (0 leaves the version object out).
    void write_registry(const QString& db_path, int version);

private:
    QTemporaryDir dir_;
    QByteArray saved_[3]; // APPDATA, HOME and TEMP as they were
};

} // namespace testsupport
