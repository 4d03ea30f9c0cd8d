#include "output/enp_groups.h"

#include "common/amount.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/shared.h"
#include "data/connection.h"
#include "forming/compose.h"
#include "output/form2.h"
#include "output/posting.h"
#include "platform/errors.h"

#include <QHash>

#include <optional>

namespace tavrelis {

namespace {

bool paid(const QString& oper_id) {
    const data::Recordset rs =
        shared().cnn.execute(QStringLiteral("select payment_done from payments where oper_id=?"),
                             {row_oper_id(oper_id)});
    return !rs.empty() && !rs.is_null(0) && rs.field(0).toDouble() == 1;
}

qint64 add(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        throw Error(QStringLiteral("Overflow"));
    return sum;
}

} // namespace

QList<IssuedOrder> issued_orders(const Form2& f2) {
    QList<IssuedOrder> out;
    std::optional<FormingRun> enp;      // read once, and only when a run has ticked rows
    QHash<QString, qsizetype> group_of; // payer account and date -> its order in out
    QList<qint64> totals;
    for (int r = 1; r <= f2.row_count(); ++r) {
        if (!f2.ticked(r))
            continue;
        Order o = f2.orders().order(r - 1);
        if (!enp)
            enp = enp_run();
        if (!is_enp_kbk(o[Field::Kbk], *enp) || paid(o[Field::OperId])) {
            out.append({{r}, o, {o}});
            totals.append(0);
            continue;
        }
        // An order printed before keeps what it was printed with: it groups only with the
        // rows printed under its number.
        const QString printed = o[Field::Number].startsWith(u'N') ? o[Field::Number] : QString();
        const QString key = o[Field::RsSender] + u'\n' + o[Field::PaymentDate] + u'\n' + printed;
        const auto it = group_of.constFind(key);
        const qint64 amount = read_kopecks(o[Field::Sum]).value();
        if (it == group_of.constEnd()) {
            group_of.insert(key, out.size());
            out.append({{r}, o, {o}});
            totals.append(amount);
        } else {
            out[*it].rows.append(r);
            out[*it].members.append(o);
            totals[*it] = add(totals[*it], amount);
        }
    }
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out[i].rows.size() < 2)
            continue;
        const Kopecks total(totals[i]);
        out[i].order[Field::Sum] = razr(total);
        out[i].order[Field::SumWords] = sum_rub_kop(total);
    }
    return out;
}

} // namespace tavrelis
