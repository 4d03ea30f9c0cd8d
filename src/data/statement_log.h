#pragma once

#include <QString>
#include <string>
#include <vector>

namespace tavrelis::data {

// Records, process-wide, the statements every connection sends to the engine, with their bound
// values written in, for replaying them in a bare loop.
void start_recording(std::vector<std::string>* into);
void stop_recording();
// Called by the engine for each statement.
void record_statement(const QString& sql);
// Whether a recording is on, and adding a statement sent to a server to it.
bool recording_statements();
void record_statement(const std::string& statement);

} // namespace tavrelis::data
