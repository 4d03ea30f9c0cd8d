#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace tavrelis {

namespace data {
class Connection;
}

// The journal of the orders sent to the bank, the module's own table bank_uploads in the
// settlements database. An order is claimed before its file is written and recorded as sent
// once the file is complete; at most one live row (claimed or sent) per accrual, which the
// database itself enforces, so two sessions never both send one. A row sent again on the
// user's word is kept as resent.
enum class UploadState { Claimed = 1, Sent = 2, Resent = 3 };

// One order of an upload: the accruals it pays and what it goes out with.
struct JournalOrder {
    QList<qint64> oper_ids;
    QString number, sum, payment_date;
    bool fresh = false; // numbered by this upload, not printed before
};

// The table and its index, when missing.
void ensure_upload_journal(data::Connection& cnn);
// Whether the table is there: a database no upload ever wrote to is left as the host made it.
bool upload_journal_exists(data::Connection& cnn);

// Where an accrual went: the file and when, from its live sent row.
struct SentTo {
    QString file, when;
};
QHash<qint64, SentTo> sent_orders(data::Connection& cnn, const QList<qint64>& oper_ids);

// Accruals that some session holds claimed now.
QList<qint64> claimed_orders(data::Connection& cnn, const QList<qint64>& oper_ids);

// Claims the orders in one transaction for the file of that hash, to be named after base
// (the path without ".txt"). resend: accruals whose sent rows the user agreed to send again.
// Raises the engine's error when another session holds or has sent one of them; nothing is
// claimed then.
void claim_orders(data::Connection& cnn, const QList<JournalOrder>& orders, const QString& base,
                  const QByteArray& hash, const QString& when, const QList<qint64>& resend);

// Records a complete file in one transaction: its orders printed under their numbers, its
// claims sent under its final name.
void record_sent(data::Connection& cnn, const QByteArray& hash, const QString& file);

// Takes back the claims of a file that was never written.
void drop_claims(data::Connection& cnn, const QByteArray& hash);

// What settling found of the claims left behind by a session that ended in the middle of an
// upload (or by this one, after a failure).
struct Settled {
    QString file;           // the complete file the orders went in; empty when none was
    QStringList numbers;    // the orders' numbers
    qint32 last_number = 0; // the highest number among them
};

// Settles the claims that no running session holds: a claim whose complete file is in its
// folder (found by its hash) is recorded as sent; one whose file is missing or incomplete is
// dropped, and what was written of it removed. A claim of another machine's session is left
// alone for an hour.
QList<Settled> settle_claims(data::Connection& cnn);

// The highest number sent to the bank in a year, 0 when none.
qint32 highest_sent_number(data::Connection& cnn, int year);

// The hash an upload's file is known by.
QByteArray file_hash(const QByteArray& bytes);

// The temporary file an upload writes before the file gets its name.
QString temporary_name(const QString& base, const QByteArray& hash);

} // namespace tavrelis
