#include "forming/due_dates.h"

#include "common/form4.h"
#include "common/numbers.h"
#include "common/shared.h"
#include "data/connection.h"
#include "forming/compose.h"

#include <QMap>
#include <QRegularExpression>
#include <algorithm>

namespace tavrelis {

QList<DueDate> nearest_due_dates(const QList<QDate>& accruals, const QDate& today, int count) {
    QMap<QDate, int> by_day;
    for (const QDate& d : accruals)
        if (d.isValid())
            ++by_day[d];
    QList<DueDate> all;
    for (auto it = by_day.cbegin(); it != by_day.cend(); ++it)
        all.append({it.key(), it.value()});
    std::stable_sort(all.begin(), all.end(), [&](const DueDate& a, const DueDate& b) {
        const qint64 da = today.daysTo(a.day), db = today.daysTo(b.day);
        if (std::abs(da) != std::abs(db))
            return std::abs(da) < std::abs(db);
        return da > db;
    });
    all = all.mid(0, std::max(count, 0));
    std::sort(all.begin(), all.end(),
              [](const DueDate& a, const DueDate& b) { return a.day < b.day; });
    return all;
}

QString due_dates_text(const QList<DueDate>& dates, bool links) {
    if (dates.isEmpty())
        return QStringLiteral("Ближайшие сроки уплаты: начислений нет");
    QStringList items;
    for (const DueDate& d : dates) {
        const QString day = d.day.toString(QStringLiteral("dd.MM.yyyy"));
        items.append((links ? QStringLiteral("<a href=\"%1\">%1</a>").arg(day) : day) +
                     QStringLiteral(" — ") +
                     count_text(d.accruals, QStringLiteral("начисление"),
                                QStringLiteral("начисления"), QStringLiteral("начислений")));
    }
    return QStringLiteral("Ближайшие сроки уплаты: ") + items.join(QStringLiteral(", "));
}

QList<QDate> enp_due_dates(const QString& acc_list) {
    static const QRegularExpression ids(QStringLiteral("^\\d+(,\\d+)*$"));
    if (!ids.match(acc_list).hasMatch())
        return {};
    data::Recordset rs = shared().cnn.execute(
        QStringLiteral("select term_day from fsk_operations,fsk_cardlist where "
                       "fsk_operations.card_id=fsk_cardlist.card_id and act_id in (select act_id "
                       "from fsk_actions where act_prim_id=4) and fsk_operations.deleted=0 and ") +
            kInAccList,
        {acc_list});
    QList<QDate> days;
    for (; !rs.eof(); rs.move_next())
        days.append(QDate::fromString(rs.text_or_empty(0), QStringLiteral("dd.MM.yyyy")));
    return days;
}

QList<QDate> accrual_due_dates(const QString& acc_list, const QString& tax_code,
                               const QString& period, int card_part) {
    // The ids come from the taxpayer database; anything but numbers is not asked about.
    static const QRegularExpression ids(QStringLiteral("^\\d+(,\\d+)*$"));
    static const QRegularExpression number(QStringLiteral("^\\d+$"));
    if (!ids.match(acc_list).hasMatch() || !number.match(tax_code).hasMatch())
        return {};
    data::Recordset rs = shared().cnn.execute(
        QStringLiteral("select term_day from fsk_operations,fsk_cardlist where "
                       "fsk_operations.card_id=fsk_cardlist.card_id and act_id in (select act_id "
                       "from fsk_actions where act_prim_id=4 and CardPart_ID=?) and "
                       "fsk_operations.deleted=0 and period_name = ? and taxcode=? and ") +
            kInAccList,
        {qlonglong(card_part), period, tax_code_value(tax_code), acc_list});
    QList<QDate> days;
    for (; !rs.eof(); rs.move_next())
        days.append(QDate::fromString(rs.text_or_empty(0), QStringLiteral("dd.MM.yyyy")));
    return days;
}

} // namespace tavrelis
