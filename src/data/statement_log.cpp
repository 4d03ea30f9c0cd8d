#include "data/statement_log.h"

#include <atomic>

namespace tavrelis::data {

namespace {

std::atomic<std::vector<std::string>*> recording{nullptr};

} // namespace

void start_recording(std::vector<std::string>* into) {
    recording = into;
}

void stop_recording() {
    recording = nullptr;
}

void record_statement(const QString& sql) {
    if (auto* r = recording.load())
        r->push_back(sql.toStdString());
}

bool recording_statements() {
    return recording.load() != nullptr;
}

void record_statement(const std::string& statement) {
    if (auto* r = recording.load())
        r->push_back(statement);
}

} // namespace tavrelis::data
