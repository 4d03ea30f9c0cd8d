#include "support/host_state.h"

#include "data/database_file.h"

#include <QFile>
#include <QHash>
#include <QSet>

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

// Every row of a table, each cell tagged with its stored type; false with the engine's message
// when it cannot be read.
bool read_table(const QString& file, const QString& sql, QStringList* columns,
                QVector<QStringList>* rows, QString* error) {
    const tavrelis::data::Rows r = tavrelis::data::read_rows(file, sql);
    *columns = r.columns;
    for (const QVariantList& row : r.rows) {
        QStringList tagged;
        for (const QVariant& v : row)
            tagged << cell(v);
        rows->append(tagged);
    }
    *error = r.error;
    return r.error.isEmpty();
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
    if (tagged.startsWith(QLatin1String("i:")) || tagged.startsWith(QLatin1String("r:")))
        return true;
    if (!tagged.startsWith(QLatin1String("t:")))
        return false;
    QString t = value(tagged).trimmed();
    t.remove(u' ').remove(QChar(0x00A0));
    t.replace(u',', u'.');
    bool ok = false;
    t.toDouble(&ok);
    return ok && !t.isEmpty();
}

bool parse_settings_file(const QByteArray& bytes, QString* up_path, qint64* number, qint64* year) {
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != 4 || !lines[3].isEmpty())
        return false;
    for (int i = 0; i < 3; ++i) {
        if (!lines[i].endsWith('\r'))
            return false;
        lines[i].chop(1);
    }
    bool ok1 = false, ok2 = false;
    *up_path = QString::fromLatin1(lines[0]); // only its presence matters here
    *number = lines[1].trimmed().toLongLong(&ok1);
    *year = lines[2].trimmed().toLongLong(&ok2);
    return ok1 && ok2;
}

} // namespace

QString database_content(const QString& file) {
    QString out;
    QStringList columns;
    QVector<QStringList> tables;
    QString error;
    if (!QFile::exists(file))
        return QStringLiteral("cannot open: ") + file;
    if (read_table(
            file, QStringLiteral("select name from sqlite_master where type='table' order by name"),
            &columns, &tables, &error)) {
        for (const QStringList& t : tables) {
            QVector<QStringList> rows;
            out += u'[' + value(t[0]) + QStringLiteral("]\n");
            if (!read_table(file,
                            QStringLiteral("select * from \"%1\" order by rowid").arg(value(t[0])),
                            &columns, &rows, &error))
                break;
            for (const QStringList& r : rows)
                out += r.join(u'|') + u'\n';
        }
    }
    if (!error.isEmpty())
        out += QStringLiteral("error: ") + error;
    return out;
}

HostState capture_host(const QString& settlements_file, const QString& settings_file) {
    HostState s;
    QVector<QStringList> ops;
    if (read_table(settlements_file, QStringLiteral("select * from payments order by oper_id"),
                   &s.payment_columns, &s.payments, &s.read_error) &&
        read_table(settlements_file,
                   QStringLiteral("select * from fsk_operations order by oper_id"),
                   &s.operation_columns, &ops, &s.read_error)) {
        const qsizetype id = s.operation_columns.indexOf(QStringLiteral("oper_id"));
        for (const QStringList& r : ops)
            s.operations.insert(value(r[id]).toLongLong(), r);
    }
    QFile f(settings_file);
    if (f.open(QIODevice::ReadOnly)) {
        s.settings_present = true;
        s.settings_bytes = f.readAll();
    }
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

    const auto by_oper = [](const HostState& s, QStringList* dups) {
        QHash<QString, HostState::Row> m;
        for (const HostState::Row& r : s.payments) {
            const QString id = column(s, r, QStringLiteral("oper_id"));
            if (m.contains(id) && dups)
                dups->append(id);
            m.insert(id, r);
        }
        return m;
    };
    QStringList dups;
    const auto old_orders = by_oper(before, nullptr);
    const auto new_orders = by_oper(after, &dups);
    for (const QString& id : dups)
        out << QStringLiteral("more than one order for oper_id %1").arg(id);

    for (auto it = old_orders.cbegin(); it != old_orders.cend(); ++it) {
        const QString& id = it.key();
        const HostState::Row& was = it.value();
        const bool replaceable = !numeric_sum(was[before.payment_columns.indexOf("sum")]);
        if (replaceable)
            continue;
        if (!new_orders.contains(id)) {
            out << QStringLiteral("the order of oper_id %1 is gone").arg(id);
            continue;
        }
        const HostState::Row& now = new_orders[id];
        for (const char* flag : {"payment_done", "print_done"})
            if (is_one(was[before.payment_columns.indexOf(flag)]) &&
                !is_one(now[after.payment_columns.indexOf(flag)]))
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
        if (!is_one(now[after.payment_columns.indexOf("payment_done")]))
            continue;
        const auto was = old_orders.constFind(it.key());
        if (was != old_orders.cend() &&
            is_one(was.value()[before.payment_columns.indexOf("payment_done")]))
            continue;
        const auto accrual = after.operations.constFind(it.key().toLongLong());
        if (accrual == after.operations.cend())
            continue;
        const QString sum = amount(column(after, now, QStringLiteral("sum")));
        const QString key = op_value(*accrual, "card_id") + u'|' +
                            op_value(*accrual, "period_name") + u'|' + sum + u'|' +
                            column(after, now, QStringLiteral("payment_date"));
        ++posted[key];
    }
    QHash<QString, int> paid;
    for (auto it = after.operations.cbegin(); it != after.operations.cend(); ++it) {
        if (before.operations.contains(it.key()))
            continue;
        const QString act = op_value(*it, "act_id");
        if (act != QLatin1String("62") && act != QLatin1String("63") &&
            act != QLatin1String("64")) {
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

    QString up;
    qint64 old_number = 0, old_year = 0, number = 0, year = 0;
    if (after.settings_present) {
        if (!parse_settings_file(after.settings_bytes, &up, &number, &year)) {
            out << QStringLiteral("the settings file is not whole: %1")
                       .arg(QString::fromLatin1(after.settings_bytes.toPercentEncoding(" ")));
        } else {
            const bool had =
                before.settings_present &&
                parse_settings_file(before.settings_bytes, &up, &old_number, &old_year);
            if (!had)
                old_year = year;
            if (year == old_year && number < old_number)
                out << QStringLiteral("last_number went down from %1 to %2 in %3")
                           .arg(old_number)
                           .arg(number)
                           .arg(year);
        }
    }
    return out;
}

} // namespace testsupport
