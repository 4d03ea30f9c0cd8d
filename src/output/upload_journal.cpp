#include "output/upload_journal.h"

#include "data/connection.h"
#include "platform/durable_file.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace tavrelis {

namespace {

const QString kUtcFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// A claim of another machine is taken for abandoned only after this long.
constexpr qint64 kForeignClaimSeconds = 3600;

// The files an upload of that base may have been given: base.txt, base_1.txt, ...
QStringList candidates(const QString& base) {
    const QFileInfo info(base);
    const QString stem = info.fileName();
    QStringList out;
    for (const QFileInfo& f :
         QDir(info.absolutePath()).entryInfoList({stem + QStringLiteral("*.txt")}, QDir::Files)) {
        const QString rest = f.completeBaseName().mid(stem.size());
        bool numbered = false;
        if (rest.isEmpty() || (rest.startsWith(u'_') && (rest.mid(1).toInt(&numbered), numbered)))
            out.append(f.absoluteFilePath());
    }
    return out;
}

QByteArray read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

void ensure_upload_journal(data::Connection& cnn) {
    cnn.execute(QStringLiteral(
        "create table if not exists bank_uploads (oper_id integer not null, number_ text not "
        "null, sum text not null, payment_date text not null, file_name text not null, "
        "file_hash text not null, created text not null, owner text not null, claimed_utc "
        "text not null, state integer not null)"));
    cnn.execute(QStringLiteral("create unique index if not exists bank_uploads_live on "
                               "bank_uploads (oper_id) where state<3"));
}

bool upload_journal_exists(data::Connection& cnn) {
    try {
        cnn.execute(QStringLiteral("select oper_id from bank_uploads where 1=0"));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QHash<qint64, SentTo> sent_orders(data::Connection& cnn, const QList<qint64>& oper_ids) {
    QHash<qint64, SentTo> out;
    if (oper_ids.isEmpty())
        return out;
    // One statement for the key range, not one an order: a list of thousands on a server.
    const auto [low, high] = std::minmax_element(oper_ids.cbegin(), oper_ids.cend());
    const QSet<qint64> wanted(oper_ids.cbegin(), oper_ids.cend());
    data::Recordset rs = cnn.execute(
        QStringLiteral("select oper_id,file_name,created from bank_uploads where oper_id between "
                       "? and ? and state=2"),
        {*low, *high});
    for (; !rs.eof(); rs.move_next())
        if (const qint64 id = rs.field(0).toLongLong(); wanted.contains(id))
            out.insert(id, {rs.text_or_empty(1), rs.text_or_empty(2)});
    return out;
}

QList<qint64> claimed_orders(data::Connection& cnn, const QList<qint64>& oper_ids) {
    QList<qint64> out;
    for (const qint64 id : oper_ids)
        if (!cnn.execute(QStringLiteral("select oper_id from bank_uploads where oper_id=? and "
                                        "state=1"),
                         {id})
                 .empty())
            out.append(id);
    return out;
}

void claim_orders(data::Connection& cnn, const QList<JournalOrder>& orders, const QString& base,
                  const QByteArray& hash, const QString& when, const QList<qint64>& resend) {
    const QString owner = platform::process_owner();
    const QString utc = QDateTime::currentDateTimeUtc().toString(kUtcFormat);
    data::Transaction transaction(cnn);
    for (const qint64 id : resend)
        cnn.execute(QStringLiteral("update bank_uploads set state=3 where oper_id=? and state=2"),
                    {id});
    for (const JournalOrder& o : orders)
        for (const qint64 id : o.oper_ids)
            cnn.execute(QStringLiteral("insert into bank_uploads (oper_id,number_,sum,"
                                       "payment_date,file_name,file_hash,created,owner,"
                                       "claimed_utc,state) values (?,?,?,?,?,?,?,?,?,1)"),
                        {id, o.number, o.sum, o.payment_date, base, QString::fromLatin1(hash), when,
                         owner, utc});
    transaction.commit();
}

void record_sent(data::Connection& cnn, const QByteArray& hash, const QString& file) {
    data::Transaction transaction(cnn);
    const data::Recordset claims =
        cnn.execute(QStringLiteral("select oper_id,number_ from bank_uploads where file_hash=? "
                                   "and state=1"),
                    {QString::fromLatin1(hash)});
    QList<std::pair<qint64, QString>> orders;
    for (data::Recordset rs = claims; !rs.eof(); rs.move_next())
        orders.append({rs.field(0).toLongLong(), rs.text(1)});
    for (const auto& [id, number] : orders)
        cnn.execute(QStringLiteral("update payments set print_done=1,number_=? where oper_id=?"),
                    {number, id});
    cnn.execute(QStringLiteral("update bank_uploads set state=2,file_name=? where file_hash=? "
                               "and state=1"),
                {file, QString::fromLatin1(hash)});
    transaction.commit();
}

void drop_claims(data::Connection& cnn, const QByteArray& hash) {
    cnn.execute(QStringLiteral("delete from bank_uploads where file_hash=? and state=1"),
                {QString::fromLatin1(hash)});
}

QList<Settled> settle_claims(data::Connection& cnn) {
    const data::Recordset left = cnn.execute(QStringLiteral(
        "select file_hash,file_name,owner,claimed_utc,number_ from bank_uploads where state=1 "
        "order by number_"));
    struct Claim {
        QString base, owner, utc;
        QStringList numbers;
    };
    QHash<QString, Claim> claims;
    QStringList order;
    for (data::Recordset rs = left; !rs.eof(); rs.move_next()) {
        const QString hash = rs.text(0);
        if (!claims.contains(hash)) {
            claims.insert(hash, {rs.text(1), rs.text(2), rs.text(3), {}});
            order.append(hash);
        }
        QStringList& numbers = claims[hash].numbers;
        if (!numbers.contains(rs.text(4)))
            numbers.append(rs.text(4));
    }

    QList<Settled> out;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QString& hash : order) {
        const Claim& c = claims[hash];
        QDateTime claimed = QDateTime::fromString(c.utc, kUtcFormat);
        claimed.setTimeSpec(Qt::UTC);
        const bool abandoned = platform::owner_gone_or_self(c.owner) || !claimed.isValid() ||
                               claimed.secsTo(now) > kForeignClaimSeconds;
        if (!abandoned)
            continue; // its session is still at it
        Settled s;
        s.numbers = c.numbers;
        for (const QString& n : c.numbers)
            s.last_number = std::max(s.last_number, n.toInt());
        for (const QString& path : candidates(c.base)) {
            const QByteArray bytes = read_all(path);
            if (bytes.isEmpty()) {
                QFile::remove(path); // a name taken for a file never moved there
            } else if (s.file.isEmpty() && file_hash(bytes) == hash.toLatin1()) {
                s.file = path;
            }
        }
        if (s.file.isEmpty())
            drop_claims(cnn, hash.toLatin1());
        else
            record_sent(cnn, hash.toLatin1(), s.file);
        QFile::remove(temporary_name(c.base, hash.toLatin1()));
        out.append(s);
    }
    return out;
}

qint32 highest_sent_number(data::Connection& cnn, int year) {
    const data::Recordset rs = cnn.execute(
        QStringLiteral("select max(cast(number_ as integer)) from bank_uploads where state>=2 and "
                       "created like ?"),
        {QStringLiteral("__.__.%1%").arg(year)});
    return rs.empty() || rs.is_null(0) ? 0 : qint32(rs.field(0).toLongLong());
}

QByteArray file_hash(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QString temporary_name(const QString& base, const QByteArray& hash) {
    return base + u'.' + QString::fromLatin1(hash.left(16)) + QStringLiteral(".tmp");
}

} // namespace tavrelis
