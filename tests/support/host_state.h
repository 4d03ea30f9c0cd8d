#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

namespace testsupport {

// What a run of the module may change in a host installation, read straight from its
// files with SQLite and plain file reads: nothing of the module is used.
struct HostState {
    // Every column of a row, each as "<type>:<value>" (i integer, r real, t text, b blob,
    // n null), so that a change of type shows as well as a change of value.
    using Row = QStringList;

    QStringList payment_columns;
    QVector<Row> payments; // every row of payments, by rowid
    QStringList operation_columns;
    QMap<qint64, Row> operations; // fsk_operations by oper_id
    QString read_error;           // empty when both tables were read

    bool settings_present = false;
    QByteArray settings_bytes; // the settings file as it is on disk
};

// Every row of every table of a database, as text, table by table in rowid order; a
// database that cannot be read gives the engine's message instead.
QString database_content(const QString& file);

// Reads the settlements database and the settings file (either may be missing).
HostState capture_host(const QString& settlements_file, const QString& settings_file);

// The value of a column of a row: the text after the type tag, empty for null.
QString column(const HostState& s, const HostState::Row& row, const QString& name);

// The settings file read as the module writes it: three lines of windows-1251 text, the
// second and third whole numbers. False when the bytes are not such a file.
bool parse_settings_file(const QByteArray& bytes, QString* up_path, qint64* number, qint64* year);

// The rules a run must keep, whatever happened in it, as a list of what broke them:
//  - at most one order per oper_id;
//  - an order that was there before is still there, unless its sum was not a number (the
//    forming replaces such an order, and a failure while composing it may leave none);
//  - payment_done and print_done never go back from 1 to 0, except for a replaced order;
//  - the operations that were there before are unchanged;
//  - every operation the run inserted is a payment (act 62, 63 or 64), and no order has
//    more payments inserted than there are orders of its key that turned posted in the run
//    (key: the accrual's card and period, the order's amount without blanks and its date);
//  - a settings file that is present is whole (three lines, two numbers), and its last
//    number never goes down within a year (no file before counts as 0 in the year after).
QStringList invariant_violations(const HostState& before, const HostState& after);

} // namespace testsupport
