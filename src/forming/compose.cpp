// Composing a new payment order, and refreshing a kept one that is not yet paid. Both fill
// the accrual's list row first and build the statement from the row's texts, so that what
// the list shows is what was stored.

#include "forming/compose.h"

#include "common/amount.h"
#include "common/date_picker.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/shared.h"
#include "data/connection.h"
#include "data/stored_dates.h"
#include "forming/codes.h"
#include "forming/form1.h"
#include "platform/env.h"
#include "platform/errors.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>

namespace tavrelis {

FormingRun::FirstRow::FirstRow(const data::Recordset& rs) : empty(rs.empty()) {
    if (empty)
        return;
    fields.reserve(size_t(rs.field_count()));
    for (int i = 0; i < rs.field_count(); ++i)
        fields.push_back(rs.is_null(i) ? std::nullopt : std::optional<QString>(rs.text(i)));
}

const QString& FormingRun::FirstRow::text(int i) const {
    const std::optional<QString>& f = fields.at(size_t(i));
    if (!f)
        throw Error(QStringLiteral("Invalid use of Null"));
    return *f;
}

namespace {

// A collection item by key; a key it does not hold is the platform's error for it.
QString item_by_key(const QHash<QString, QString>& items, const QString& key) {
    const auto it = items.constFind(key);
    if (it == items.constEnd())
        throw Error(QStringLiteral("Invalid procedure call or argument"));
    return *it;
}

// The code the single tax payment has had since 2023, by which the host's own row is found
// when the file is gone; the receiver's requisites themselves are never taken from here.
const QString kRefreshOrder = QStringLiteral("update payments set number_=?, ") +
                              updated_columns() +
                              QStringLiteral(",document_date=?, payment_date=? where oper_id=?");

const QString kEnpKbkWithoutFile = QStringLiteral("18201061201010000510");

// A document date as a statement binds it: the stored date, or null for an order that carries
// none (a single tax payment's document date is "0").
QVariant date_value(const QString& text) {
    if (text == kNoDocumentDate)
        return QVariant();
    return data::stored_date_or_null(text);
}

// The run's payment date as stored, worked out the first time an order is written.
const QString& payment_day(const FormingRun::Window& w) {
    if (!w.payment_day)
        w.payment_day = data::stored_date(w.payment_date);
    return *w.payment_day;
}

// The organisation's requisites as the run knows them, looked up the first time it is met:
// the receiver of the tax (the payer's row under the tax's code, else its row without one)
// and its own.
const FormingRun::Requisites& requisites_of(const QString& org_inn, const QString& org_kpp,
                                            const FormingRun& run) {
    const QString key = org_inn + u'\n' + org_kpp;
    if (const auto it = run.requisites.constFind(key); it != run.requisites.cend())
        return *it;
    FormingRun::Requisites r;
    data::Connection& cnn = shared().cnn;
    if (!run.enp)
        r.receiver = FormingRun::FirstRow(cnn.execute(
            QStringLiteral("select receiver,okato,rs,bik,bank,ks,kbk,inn,kpp from requisites "
                           "where self_inn=? and self_kpp=? and (kbk=? or kbk='')"),
            {org_inn, org_kpp, run.tax_code}));
    r.own = FormingRun::FirstRow(
        cnn.execute(QStringLiteral("select sender,okato,rs,bik,bank,ks from self_requisites "
                                   "where inn=? and kpp=? and closed=0"),
                    {org_inn, org_kpp}));
    return *run.requisites.insert(key, r);
}

void tax_receiver(Order& o, const FormingRun::FirstRow& receiver) {
    if (receiver.empty)
        return;
    o[Field::Receiver] = receiver.text(0);
    o[Field::Rs] = receiver.text(2);
    o[Field::Bik] = receiver.text(3);
    o[Field::Bank] = receiver.text(4);
    o[Field::Okato] = receiver.text(1);
    o[Field::Ks] = receiver.text(5);
    o[Field::Inn] = receiver.text(7);
    o[Field::Kpp] = receiver.text(8);
}

// A single tax payment goes to the tax service's single account; a branch pays under KPP
// "0", its own KPP going into the tax notice.
void enp_order(Order& o, const QString& org_inn, const QString& org_kpp, const FormingRun& run) {
    const std::optional<EnpRequisites> r = enp_receiver(org_inn, org_kpp, run);
    if (!r)
        throw Error(enp_missing_text());
    o[Field::KppSender] = QStringLiteral("0");
    o[Field::Kbk] = r->kbk;
    o[Field::Receiver] = r->receiver;
    o[Field::Rs] = r->rs;
    o[Field::Bik] = r->bik;
    o[Field::Bank] = r->bank;
    o[Field::Okato] = QStringLiteral("0");
    o[Field::Ks] = r->ks;
    o[Field::Inn] = r->inn;
    o[Field::Kpp] = r->kpp;
}

// The codes of a single tax payment: fields 106 to 109 "0", 110 empty, priority 5.
void enp_codes(Order& o) {
    o[Field::Priority] = QStringLiteral("5");
    o[Field::Reason] = QStringLiteral("0");
    o[Field::PaymentType].clear();
    o[Field::Period] = QStringLiteral("0");
    o[Field::DocumentDate] = kNoDocumentDate;
}

} // namespace

void read_window(FormingRun& run) {
    const Form1& f1 = form1();
    FormingRun::Window& w = run.window;
    w.payment_date = list_date(f1.DTPicker1->date());
    w.document_date = list_date(f1.DTPicker2->date());
    w.kbk = kbk_with_operation(f1.Combo1->currentText(), f1.Combo4->currentIndex());
    w.way = kind_text(f1.Combo6->currentIndex(), f1.Combo6->currentText());
    w.priority = priority_text(f1.Combo7->currentIndex(), f1.Combo7->currentText());
    w.reason = basis_code(f1.Combo8->currentIndex());
    w.payment_type = payment_type_code(f1.Combo9->currentIndex());
    w.aim = f1.Text2->text();
    w.period = period_indicator(f1.Combo10->currentIndex(), f1.Combo3->currentText());
    if (f1.Combo6->currentIndex() > 0)
        w.chosen_way = f1.Combo6->currentText();
    if (f1.Combo7->currentIndex() >= 0)
        w.chosen_priority = f1.Combo7->currentText();
}

FormingRun enp_run() {
    FormingRun run;
    run.enp = true;
    run.enp_defaults = read_enp_file(enp_file_path());
    run.enp_kbk = run.enp_defaults ? run.enp_defaults->kbk : kEnpKbkWithoutFile;
    return run;
}

std::optional<EnpRequisites> enp_receiver(const QString& inn, const QString& kpp,
                                          const FormingRun& run) {
    const QString key = inn + u'\n' + kpp;
    if (const auto it = run.enp_receivers.constFind(key); it != run.enp_receivers.cend())
        return *it;
    const data::Recordset row = shared().cnn.execute(
        QStringLiteral("select receiver,inn,kpp,rs,bik,ks,bank,kbk from requisites where "
                       "self_inn=? and self_kpp=? and kbk=?"),
        {inn, kpp, run.enp_kbk});
    std::optional<EnpRequisites> found = run.enp_defaults;
    if (!row.empty())
        found = EnpRequisites{row.text_or_empty(0), row.text_or_empty(1), row.text_or_empty(2),
                              row.text_or_empty(3), row.text_or_empty(4), row.text_or_empty(5),
                              row.text_or_empty(6), row.text_or_empty(7)};
    run.enp_receivers.insert(key, found);
    return found;
}

QString enp_missing_text() {
    return QStringLiteral("Не найдены реквизиты получателя единого налогового платежа: в "
                          "справочнике реквизитов их нет, а файл \"") +
           QDir::toNativeSeparators(enp_file_path()) +
           QStringLiteral("\" отсутствует или не читается");
}

bool is_enp_kbk(const QString& kbk, const FormingRun& run) {
    return !kbk.isEmpty() && kbk == run.enp_kbk;
}

Kopecks amount_field(const data::Recordset& rs, int i) {
    const QVariant v = rs.field(i);
    if (v.typeId() == QMetaType::Double)
        return to_kopecks(v.toDouble());
    return round_kopecks(rs.text(i));
}

QString list_date(const QDate& d) {
    if (!d.isValid())
        return {};
    // By hand: the calendar's formatter costs more than the rest of a formed order.
    const int y = d.year();
    if (y < 1 || y > 9999)
        return d.toString(QStringLiteral("dd.MM.yyyy"));
    const char16_t text[] = {char16_t(u'0' + d.day() / 10),
                             char16_t(u'0' + d.day() % 10),
                             u'.',
                             char16_t(u'0' + d.month() / 10),
                             char16_t(u'0' + d.month() % 10),
                             u'.',
                             char16_t(u'0' + y / 1000),
                             char16_t(u'0' + y / 100 % 10),
                             char16_t(u'0' + y / 10 % 10),
                             char16_t(u'0' + y % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

QString stored_day(const QDate& d) {
    return data::stored_date(list_date(d));
}

QVariant tax_code_value(const QString& code) {
    bool whole = false;
    const qlonglong n = code.trimmed().toLongLong(&whole);
    if (whole)
        return n;
    bool number = false;
    const double v = code.trimmed().toDouble(&number);
    return number ? QVariant(v) : QVariant(code);
}

const QString kInAccList =
    QStringLiteral("',' || cast(? as text) || ',' like '%,' || accstream_id || ',%'");

void set_words(Order& o, Kopecks amount, bool* later) {
    if (later && amount.roubles() < 1'000'000'000'000) {
        o[Field::SumWords].clear();
        *later = true;
        return;
    }
    o[Field::SumWords] = sum_rub_kop(amount);
}

void compose_order(Order& o, const data::Recordset& accrual, const FormingRun& run,
                   bool* words_later) {
    Form1& f1 = form1();
    Shared& sh = shared();
    const QVariant oper_id = accrual.field(4);
    const FormingRun::Window& w = run.window;

    int paid = 0;
    o[Field::PaymentDate] = w.payment_date;

    if (run.fact_payments && run.paid.contains(oper_id.toLongLong())) {
        paid = 1;
        o.color = sh.my_color;
    }

    const QString s = accrual.text(1);
    const QString org_inn = item_by_key(f1.inn_by_acc, s);
    const QString org_kpp = item_by_key(f1.kpp_by_acc, s);
    o[Field::InnSender] = org_inn;
    o[Field::KppSender] = org_kpp;
    if (run.enp) {
        enp_order(o, org_inn, org_kpp, run);
    } else {
        o[Field::Kbk] = w.kbk;
    }
    const FormingRun::Requisites& req = requisites_of(org_inn, org_kpp, run);
    if (!run.enp)
        tax_receiver(o, req.receiver);

    if (const FormingRun::FirstRow& own = req.own; !own.empty) {
        o[Field::Sender] = own.text(0);
        o[Field::OkatoSender] = own.text(1);
        o[Field::RsSender] = own.text(2);
        o[Field::BikSender] = own.text(3);
        o[Field::BankSender] = own.text(4);
        o[Field::KsSender] = own.text(5);
    }

    const Kopecks amount = amount_field(accrual, 0);
    o[Field::Sum] = razr(amount);
    o[Field::Way] = w.way;
    o[Field::Priority] = w.priority;
    o[Field::Reason] = w.reason;
    o[Field::PaymentType] = w.payment_type;
    o[Field::Aim] = w.aim;
    o[Field::Period] = w.period;
    o[Field::DocumentDate] = w.document_date;
    if (!accrual.is_null(3))
        o[Field::DocumentDate] = accrual.text(3);
    if (run.enp)
        enp_codes(o);

    set_words(o, amount, words_later);

    QVariantList& values = run.insert_values;
    values.clear();
    values << o[Field::Number] << payment_day(w) << o[Field::Sum];
    for (int c = column_of(Field::Receiver); c <= column_of(Field::Period); ++c)
        values << o.texts[size_t(c)];
    values << date_value(o[Field::DocumentDate]) << oper_id << qlonglong(paid);
    sh.cnn.send(
        QStringLiteral("insert into payments (number_,payment_date,sum,receiver,inn,kpp,kbk,okato,"
                       "bik,rs,ks,bank,sender,inn_sender,kpp_sender,okato_sender,bik_sender,"
                       "rs_sender,ks_sender,bank_sender,way,priority,reason,payment_type,aim,"
                       "period,document_date,oper_id,payment_done,print_done) values "
                       "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,0)"),
        values);
}

void refresh_order(Order& o, const FormingRun& run) {
    const FormingRun::Window& w = run.window;
    if (w.chosen_way)
        o[Field::Way] = *w.chosen_way;
    if (w.chosen_priority)
        o[Field::Priority] = *w.chosen_priority;
    o[Field::PaymentType] = w.payment_type;
    o[Field::Reason] = w.reason;
    o[Field::PaymentDate] = w.payment_date;
    o[Field::DocumentDate] = w.document_date;
    if (run.enp)
        enp_codes(o);

    QVariantList values{QString::number(clean_number(o[Field::Number]))};
    for (const Field f : kUpdatedTexts)
        values << o[f];
    values << date_value(o[Field::DocumentDate]) << payment_day(w) << o[Field::OperId].toLongLong();
    shared().cnn.send(kRefreshOrder, values);
}

} // namespace tavrelis
