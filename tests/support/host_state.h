#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

namespace testsupport {

// What a run of the module may change in a host installation, read from its files.
struct HostState {
    // Every column as "<type>:<value>" (i integer, r real, t text, b blob, n null).
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

// What a run broke of the rules it must keep whatever happened: one order per oper_id; orders
// and old operations kept (an order with a non-numeric sum may be replaced); posted/printed
// marks never taken back; only payments inserted, no more than orders turned posted; the
// settings file whole, its number never going down within a year.
QStringList invariant_violations(const HostState& before, const HostState& after);

} // namespace testsupport
