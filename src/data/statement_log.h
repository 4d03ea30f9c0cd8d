#pragma once

#include <QString>
#include <string>
#include <vector>

namespace tavrelis::data {

// Records, process-wide, the statements every connection sends to the engine (with a decimal
// comma already read as the engine stores it, the rest of the dialect not yet translated),
// for replaying them in a bare loop.
void start_recording(std::vector<std::string>* into);
void stop_recording();
// Called by the engine for each statement.
void record_statement(const QString& sql);
// Whether a recording is on, and adding a statement sent to a server to it.
bool recording_statements();
void record_statement(const std::string& statement);

struct LoopTime {
    double wall = 0; // seconds
    double cpu = 0;  // seconds of this thread
};

// Translates each statement, then prepares, steps and finalizes each one on the file, with the
// settings of the module's connection (the journal mode named; synchronous=NORMAL in
// write-ahead-log mode; its format()).
LoopTime bare_loop(const QString& path, const std::vector<std::string>& statements,
                   const QString& journal = QStringLiteral("wal"));

// Sends each recorded statement to the PostgreSQL database a link file names, on one connection
// set as the module's, reading every row of each result.
LoopTime bare_loop_pg(const QString& link_file, const std::vector<std::string>& statements);

} // namespace tavrelis::data
