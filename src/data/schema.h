#pragma once

#include <QString>

namespace tavrelis::data {

// The tables of the host's databases, as a host installation here holds them (SQLite):
// dates are ISO text in DATE columns, amounts numbers, flags 0/1, codes and names text,
// payments.sum text. Each text is a script of CREATE TABLE / CREATE INDEX statements.
QString settlements_schema_sql(); // Fsk_Base.mdb
QString taxpayer_schema_sql();    // Valmora2.mdb

// fact_payments is optional at a host (the module looks whether it exists), so it can be
// left out: settlements_schema_sql() is the core tables followed by fact_payments.
QString settlements_core_schema_sql(); // Fsk_Base.mdb without fact_payments
QString fact_payments_schema_sql();

} // namespace tavrelis::data
