#pragma once

#include "data/statement_log.h"

#include <QString>
#include <string>
#include <vector>

namespace tavrelis::data {

struct LoopTime {
    double wall = 0; // seconds
    double cpu = 0;  // seconds of this thread
};

// Prepares, steps and finalizes each statement (its values written in) on the file, with the
// settings of the module's connection (the journal mode named; synchronous=NORMAL in
// write-ahead-log mode).
LoopTime bare_loop(const QString& path, const std::vector<std::string>& statements,
                   const QString& journal = QStringLiteral("wal"));

// The floors of the same work: each distinct statement text prepared once and its values bound
// (a kept compiled statement, as the module runs it), each statement its own transaction, or
// all of them in one.
LoopTime prepared_loop(const QString& path, const std::vector<SentStatement>& statements,
                       bool one_transaction, const QString& journal = QStringLiteral("wal"));

// Sends each recorded statement to the PostgreSQL database a link file names, on one connection
// set as the module's, reading every row of each result.
LoopTime bare_loop_pg(const QString& link_file, const std::vector<std::string>& statements);

// The floors on the server: each distinct statement (its text with its values' types, as the
// engine keys them) prepared once, its values bound as the engine binds them, each statement
// its own transaction, or all of them in one.
LoopTime prepared_loop_pg(const QString& link_file, const std::vector<SentStatement>& statements,
                          bool one_transaction);

} // namespace tavrelis::data
