#include "data/statement_log.h"

#include <atomic>
#include <mutex>

namespace tavrelis::data {

namespace {

using Sent = SentStatement;

std::atomic<std::vector<std::string>*> recording{nullptr};
std::vector<SentStatement>* recording_sent = nullptr;
std::mutex pending_lock;
std::vector<Sent> pending;

QString literal(const QVariant& v, bool numbered) {
    if (v.isNull())
        return QStringLiteral("null");
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return QString::number(v.toLongLong());
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 17) +
               (numbered ? QStringLiteral("::float8") : QString());
    return u'\'' + v.toString().replace(u'\'', QStringLiteral("''")) + u'\'';
}

// The statement with its values written in, as a replay runs it.
std::string with_values(const Sent& s) {
    if (s.params.isEmpty())
        return s.sql.toStdString();
    QString out;
    qsizetype next = 0;
    QChar quote;
    for (qsizetype i = 0; i < s.sql.size(); ++i) {
        const QChar c = s.sql[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (!s.numbered && c == u'?') {
            out += literal(s.params.value(next++), false);
            continue;
        } else if (s.numbered && c == u'$' && i + 1 < s.sql.size() && s.sql[i + 1].isDigit()) {
            qsizetype j = i + 1;
            while (j < s.sql.size() && s.sql[j].isDigit())
                ++j;
            out += literal(s.params.value(s.sql.mid(i + 1, j - i - 1).toInt() - 1), true);
            i = j - 1;
            continue;
        }
        out += c;
    }
    return out.toStdString();
}

} // namespace

void start_recording(std::vector<std::string>* into, std::vector<SentStatement>* as_sent) {
    const std::lock_guard<std::mutex> hold(pending_lock);
    pending.clear();
    recording_sent = as_sent;
    recording = into;
}

void stop_recording() {
    const std::lock_guard<std::mutex> hold(pending_lock);
    if (auto* r = recording.exchange(nullptr))
        for (const Sent& s : pending)
            r->push_back(with_values(s));
    if (recording_sent)
        recording_sent->insert(recording_sent->end(), pending.begin(), pending.end());
    recording_sent = nullptr;
    pending.clear();
}

bool recording_statements() {
    return recording.load() != nullptr;
}

void record_statement(const QString& sql, const QVariantList& params, bool numbered) {
    const std::lock_guard<std::mutex> hold(pending_lock);
    if (recording.load())
        pending.push_back({sql, params, numbered});
}

} // namespace tavrelis::data
