#pragma once

#include "common/enp.h"
#include "common/numbers.h"
#include "common/order.h"
#include "data/connection.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

namespace tavrelis {

// What one forming run hands to the composing of each of its orders.
struct FormingRun {
    QString tax_code;           // the chosen tax's code, as stored in the settlements cards
    bool fact_payments = false; // whether the host keeps the table fact_payments
    QSet<qint64> paid;          // the accruals of the run fact_payments shows paid
    // A single-tax-payment forming: every accrual due on the day, paid to the tax service's
    // single account under one KBK.
    bool enp = false;
    QString enp_kbk;
    std::optional<EnpRequisites> enp_defaults; // Templates/enp.ini, when it can be read

    // What the run looks up once per organisation (by "INN\nKPP"): its requisites do not
    // change while it runs.
    // A lookup's first row, its texts made once for all the orders that copy them.
    struct FirstRow {
        FirstRow() = default;
        explicit FirstRow(const data::Recordset& rs);
        bool empty = true;
        std::vector<std::optional<QString>> fields; // nothing for a null
        // Raises "Invalid use of Null" for a null, as the field's reading would.
        const QString& text(int i) const;
    };
    struct Requisites {
        FirstRow receiver; // receiver,okato,rs,bik,bank,ks,kbk,inn,kpp
        FirstRow own;      // sender,okato,rs,bik,bank,ks
    };
    mutable QHash<QString, Requisites> requisites;
    // The values of a new order's insert, kept between orders so that its list is allocated
    // once a run.
    mutable QVariantList insert_values;
    mutable QHash<QString, std::optional<EnpRequisites>> enp_receivers;

    // What the formation window says, read once a run: nothing changes it while the run goes.
    struct Window {
        QString payment_date, document_date; // dd.mm.yyyy
        QString kbk;                         // the chosen KBK with the operation's digit
        QString way, priority, reason, payment_type, aim, period;
        // A kept order takes the kind and priority only when one is chosen.
        std::optional<QString> chosen_way, chosen_priority;
        mutable std::optional<QString> payment_day; // the payment date as stored
    } window;
};

// Reads the formation window's choices into run.window.
void read_window(FormingRun& run);

// The settings of a single-tax-payment forming: the file's requisites and the KBK the host's
// own rows are found by.
FormingRun enp_run();

// The receiver of an organisation's single tax payment: the host's requisites row for its INN
// and KPP under the single payment's KBK, which the host keeps current; else the file's.
// Nothing when neither is there.
std::optional<EnpRequisites> enp_receiver(const QString& inn, const QString& kpp,
                                          const FormingRun& run);

// What the user is told when a single tax payment has no receiver.
QString enp_missing_text();

// The document date (field 109) of an order that has none, as the list shows it and every
// output writes it; stored as null.
inline const QString kNoDocumentDate = QStringLiteral("0");

// Whether a stored order (its kbk) is a single tax payment.
bool is_enp_kbk(const QString& kbk, const FormingRun& run);

// The amount in field i of a row, read once into kopecks: a number as the host holds it, a
// text as it is written, rounded to the kopeck with halves to the even kopeck (0.125 gives
// 0,12, 0.135 gives 0,14). A null is "Invalid use of Null"; a text that is not a number and a
// number that is not finite (an infinity) are "Type mismatch".
Kopecks amount_field(const data::Recordset& rs, int i);

// Dates as the list and the statements carry them: dd.mm.yyyy.
QString list_date(const QDate& d);
// A day as a DATE column stores it, bound into a statement.
QString stored_day(const QDate& d);
// A tax code of the settlements cards as a statement compares it: a whole number as the number.
QVariant tax_code_value(const QString& code);
// The condition that a card's accstream_id is one of a bound list "id,id,...": the list is one
// value, so the statement's text stays the same whatever organisations are chosen.
extern const QString kInAccList;

// Composes a new order for the current row of the accrual query (fields: summa, report-set
// id, tax code, docum_date, oper_id) into the order, whose number and oper_id are already
// set, and stores it in payments. A null amount, oper_id or copied requisites field, or a
// report set the window does not know, raises an error; the order then stays as far as it
// was filled. With words_later, the amount in words is left to the list (set_words).
void compose_order(Order& o, const data::Recordset& accrual, const FormingRun& run,
                   bool* words_later = nullptr);

// The order's amount in words; with later, when its words can raise nothing (a whole part of
// at most twelve digits), left empty and *later set, for the list to make them from the
// amount when they are read.
void set_words(Order& o, Kopecks amount, bool* later);

// Refreshes a kept order that is not yet paid: the order, filled from the stored one, takes
// the window's current kind, priority, codes and dates (a single tax payment's own codes in
// such a run), and is written back.
void refresh_order(Order& o, const FormingRun& run);

} // namespace tavrelis
