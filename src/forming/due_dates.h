#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace tavrelis {

// A due date and the number of accruals that fall due on it.
struct DueDate {
    QDate day;
    int accruals = 0;
    bool operator==(const DueDate&) const = default;
};

// Of the accruals' due dates (one entry per accrual, in any order), the `count` dates nearest
// to `today` (ahead before behind at equal distance), in date order, each with its accruals.
QList<DueDate> nearest_due_dates(const QList<QDate>& accruals, const QDate& today, int count);

// "Ближайшие сроки уплаты: 28.01.2027 — 3 начисления, ..."; each date as a link whose target
// is the date's text when `links` is set.
QString due_dates_text(const QList<DueDate>& dates, bool links);

// The due dates of the accruals that a forming would take but for the date: of the
// organisations (ids joined by ","), the tax code, the period and the card part (1 tax, 2
// penalties, 3 fines), read from the settlements database; empty when there are none.
QList<QDate> accrual_due_dates(const QString& acc_list, const QString& tax_code,
                               const QString& period, int card_part);

// The same for a single-tax-payment forming, which takes every tax, period and card part.
QList<QDate> enp_due_dates(const QString& acc_list);

} // namespace tavrelis
