#pragma once

#include <QString>
#include <QVariantList>
#include <string>
#include <vector>

namespace tavrelis::data {

// Records, process-wide, the statements every connection ran, for replaying them in a bare
// loop. A statement is kept as it was sent, with its values, and written out with its values in
// only when the recording stops, so that recording costs the run it records next to nothing.
// A statement as it was sent: its text with "?" or $1.. and its values.
struct SentStatement {
    QString sql;
    QVariantList params;
    bool numbered = false;
};
// into gets each statement with its values written in; as_sent, when given, each as it was sent.
void start_recording(std::vector<std::string>* into, std::vector<SentStatement>* as_sent = nullptr);
void stop_recording();
bool recording_statements();
// Called by the engine for each statement that went through: its text with "?" (SQLite) or
// $1.. (numbered, the server) where its values go.
void record_statement(const QString& sql, const QVariantList& params, bool numbered);

} // namespace tavrelis::data
