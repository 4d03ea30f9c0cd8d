#include "support/host_state.h"

#include "data/database_file.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace testsupport {

namespace {

QString cell(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return QStringLiteral("n:");
    case QMetaType::LongLong:
        return QStringLiteral("i:") + QString::number(v.toLongLong());
    case QMetaType::Double:
        return QStringLiteral("r:") + QString::number(v.toDouble(), 'g', 17);
    case QMetaType::QByteArray:
        return QStringLiteral("b:") + QString::fromLatin1(v.toByteArray().toHex());
    default:
        return QStringLiteral("t:") + v.toString();
    }
}

QString value(const QString& tagged) {
    return tagged.mid(2);
}

bool is_one(const QString& tagged) {
    bool ok = false;
    return value(tagged).toDouble(&ok) == 1 && ok;
}

// A stored sum the forming keeps: digits with group blanks and one decimal separator.
bool numeric_sum(const QString& tagged) {
    bool ok = false;
    value(tagged).remove(u' ').remove(QChar(0x00A0)).replace(u',', u'.').toDouble(&ok);
    return tagged.startsWith(QLatin1String("i:")) || tagged.startsWith(QLatin1String("r:")) ||
           (tagged.startsWith(QLatin1String("t:")) && ok);
}

struct Table {
    QStringList columns;
    QVector<QStringList> rows; // each cell tagged with its stored type
    QString error;             // the engine's message when it cannot be read
};

Table read_table(const QString& file, const QString& sql) {
    const tavrelis::data::Rows r = tavrelis::data::read_rows(file, sql);
    Table t{r.columns, {}, r.error};
    for (const QVariantList& row : r.rows) {
        t.rows.append(QStringList());
        for (const QVariant& v : row)
            t.rows.last() << cell(v);
    }
    return t;
}

// The number and the year of a whole settings file: three lines, each ended by CR LF.
QRegularExpressionMatch settings_numbers(const QByteArray& bytes) {
    static const QRegularExpression whole(
        QStringLiteral("\\A[^\n]*\r\n[ \t]*([-+]?\\d+)[ \t]*\r\n[ \t]*([-+]?\\d+)[ \t]*\r\n\\z"));
    return whole.match(QString::fromLatin1(bytes));
}

} // namespace

QString database_content(const QString& file) {
    if (!QFile::exists(file))
        return QStringLiteral("cannot open: ") + file;
    const Table tables = read_table(
        file, QStringLiteral("select name from sqlite_master where type='table' order by name"));
    QString out, error = tables.error;
    for (const QStringList& t : tables.rows) {
        out += u'[' + value(t[0]) + QStringLiteral("]\n");
        const Table rows = read_table(
            file, QStringLiteral("select * from \"%1\" order by rowid").arg(value(t[0])));
        if (!(error = rows.error).isEmpty())
            break;
        for (const QStringList& r : rows.rows)
            out += r.join(u'|') + u'\n';
    }
    if (!error.isEmpty())
        out += QStringLiteral("error: ") + error;
    return out;
}

HostState capture_host(const QString& settlements_file, const QString& settings_file) {
    HostState s;
    const Table payments =
        read_table(settlements_file, QStringLiteral("select * from payments order by oper_id"));
    s.payment_columns = payments.columns;
    s.payments = payments.rows;
    s.read_error = payments.error;
    if (s.read_error.isEmpty()) {
        const Table ops = read_table(
            settlements_file, QStringLiteral("select * from fsk_operations order by oper_id"));
        s.operation_columns = ops.columns;
        s.read_error = ops.error;
        const qsizetype id = s.operation_columns.indexOf(QStringLiteral("oper_id"));
        for (const QStringList& r : ops.rows)
            s.operations.insert(value(r[id]).toLongLong(), r);
    }
    QFile f(settings_file);
    if ((s.settings_present = f.open(QIODevice::ReadOnly)))
        s.settings_bytes = f.readAll();
    return s;
}

QString column(const HostState& s, const HostState::Row& row, const QString& name) {
    qsizetype i = s.payment_columns.indexOf(name);
    if (i < 0 || row.size() != s.payment_columns.size())
        i = s.operation_columns.indexOf(name);
    return i < 0 || i >= row.size() ? QString() : value(row[i]);
}

QStringList invariant_violations(const HostState& before, const HostState& after) {
    QStringList out;
    if (!before.read_error.isEmpty() || !after.read_error.isEmpty()) {
        // A database the test made unreadable on purpose is compared by its bytes instead.
        if (before.read_error != after.read_error)
            out << QStringLiteral("the settlements database reads differently: before «%1», "
                                  "after «%2»")
                       .arg(before.read_error, after.read_error);
        return out;
    }

    const auto by_oper = [&out](const HostState& s, bool report) {
        QHash<QString, HostState::Row> m;
        for (const HostState::Row& r : s.payments) {
            const QString id = column(s, r, QStringLiteral("oper_id"));
            if (m.contains(id) && report)
                out << QStringLiteral("more than one order for oper_id %1").arg(id);
            m.insert(id, r);
        }
        return m;
    };
    const auto old_orders = by_oper(before, false), new_orders = by_oper(after, true);

    const auto set = [](const HostState& s, const HostState::Row& r, const char* flag) {
        return is_one(r[s.payment_columns.indexOf(QLatin1String(flag))]);
    };
    for (auto it = old_orders.cbegin(); it != old_orders.cend(); ++it) {
        const QString& id = it.key();
        const HostState::Row& was = it.value();
        if (!numeric_sum(was[before.payment_columns.indexOf("sum")])) // may be replaced
            continue;
        if (!new_orders.contains(id)) {
            out << QStringLiteral("the order of oper_id %1 is gone").arg(id);
            continue;
        }
        for (const char* flag : {"payment_done", "print_done"})
            if (set(before, was, flag) && !set(after, new_orders[id], flag))
                out << QStringLiteral("%1 of oper_id %2 went back from 1").arg(flag, id);
    }

    for (auto it = before.operations.cbegin(); it != before.operations.cend(); ++it) {
        if (!after.operations.contains(it.key()))
            out << QStringLiteral("operation %1 is gone").arg(it.key());
        else if (after.operations[it.key()] != it.value())
            out << QStringLiteral("operation %1 changed: %2 -> %3")
                       .arg(it.key())
                       .arg(it.value().join(u'|'), after.operations[it.key()].join(u'|'));
    }

    // Orders that turned posted in the run, by the key a payment row carries.
    const auto op_value = [&after](const HostState::Row& r, const char* name) {
        const qsizetype i = after.operation_columns.indexOf(QLatin1String(name));
        return i < 0 ? QString() : value(r[i]);
    };
    // An amount as the order shows it ("1 234,50") or as the card stores it (1234.5).
    const auto amount = [](QString text) {
        text.remove(u' ').replace(u',', u'.');
        return QString::number(text.toDouble(), 'f', 2);
    };
    QHash<QString, int> posted;
    for (auto it = new_orders.cbegin(); it != new_orders.cend(); ++it) {
        const HostState::Row& now = it.value();
        const auto was = old_orders.constFind(it.key());
        const auto accrual = after.operations.constFind(it.key().toLongLong());
        if (!set(after, now, "payment_done") || accrual == after.operations.cend() ||
            (was != old_orders.cend() && set(before, *was, "payment_done")))
            continue;
        ++posted[op_value(*accrual, "card_id") + u'|' + op_value(*accrual, "period_name") + u'|' +
                 amount(column(after, now, QStringLiteral("sum"))) + u'|' +
                 column(after, now, QStringLiteral("payment_date"))];
    }
    QHash<QString, int> paid;
    for (auto it = after.operations.cbegin(); it != after.operations.cend(); ++it) {
        if (before.operations.contains(it.key()))
            continue;
        const QString act = op_value(*it, "act_id");
        if (!QStringList{"62", "63", "64"}.contains(act)) {
            out << QStringLiteral("operation %1 inserted with act_id %2").arg(it.key()).arg(act);
            continue;
        }
        const QString key = op_value(*it, "card_id") + u'|' + op_value(*it, "period_name") + u'|' +
                            amount(op_value(*it, "summa")) + u'|' + op_value(*it, "docum_date");
        if (++paid[key] > posted.value(key))
            out << QStringLiteral("payment operation %1 (%2) has no order of its own that "
                                  "turned posted in the run")
                       .arg(it.key())
                       .arg(key);
    }

    if (after.settings_present) {
        const QRegularExpressionMatch now = settings_numbers(after.settings_bytes);
        const QRegularExpressionMatch was = settings_numbers(before.settings_bytes);
        if (!now.hasMatch())
            out << QStringLiteral("the settings file is not whole: %1")
                       .arg(QString::fromLatin1(after.settings_bytes.toPercentEncoding(" ")));
        else if (before.settings_present && was.hasMatch() && now.captured(2) == was.captured(2) &&
                 now.captured(1).toLongLong() < was.captured(1).toLongLong())
            out << QStringLiteral("last_number went down from %1 to %2 in %3")
                       .arg(was.captured(1), now.captured(1), now.captured(2));
    }
    return out;
}

} // namespace testsupport
