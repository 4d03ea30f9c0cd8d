#include "output/posting.h"

#include "common/form4.h"
#include "common/form6.h"
#include "common/numbers.h"
#include "common/shared.h"
#include "data/connection.h"
#include "data/stored_dates.h"
#include "output/form2.h"
#include "platform/env.h"
#include "platform/errors.h"

#include <QRegularExpression>

#include <limits>

namespace tavrelis {

namespace {

// The payment kind of each part of a settlement card: tax or advance, penalty interest,
// fine; anything else is paid as tax.
int payment_act(const QVariant& card_part) {
    if (card_part.isNull())
        return 62;
    switch (card_part.toInt()) {
    case 2:
        return 63;
    case 3:
        return 64;
    default:
        return 62;
    }
}

// An id as the database gives it back, read as the platform reads a 32-bit whole number.
qint32 card_of(const QString& text) {
    const qint64 id = row_oper_id(text);
    if (id < std::numeric_limits<qint32>::min() || id > std::numeric_limits<qint32>::max())
        throw Error(QStringLiteral("Overflow"));
    return qint32(id);
}

// An amount as the card's REAL column stores it: a text with a decimal comma as the number;
// anything else as it is, for the engine to make of it what it stores.
QVariant stored_amount(const QString& text) {
    static const QRegularExpression comma(QStringLiteral("^-?[0-9]+,[0-9]+$"));
    if (!comma.match(text).hasMatch())
        return text;
    return QString(text).replace(u',', u'.').toDouble();
}

} // namespace

QDate order_date(const QString& text) {
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("dd.MM.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
    if (!d.isValid())
        throw Error(QStringLiteral("Неверная дата платежного поручения: \"%1\"").arg(text));
    return d;
}

qint64 row_oper_id(const QString& text) {
    bool ok = false;
    const qint64 id = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw Error(QStringLiteral("Type mismatch"));
    return id;
}

std::optional<qint32> post_payment(const Order& o) {
    Shared& sh = shared();
    const qint64 id = row_oper_id(o[Field::OperId]);

    const data::Recordset done =
        sh.cnn.execute(QStringLiteral("select payment_done from payments where oper_id=?"), {id});
    const QVariant payment_done = done.field(0);
    if (!payment_done.isNull() && payment_done.toDouble() > 0) {
        if (sh.otvet == 2)
            return std::nullopt;
        ask(QStringLiteral("Внимание"),
            QStringLiteral("Уплата по платежному поручению №") + o[Field::Number] +
                QStringLiteral(" за ") + QString::number(order_date(o[Field::PaymentDate]).year()) +
                QStringLiteral(" год уже проведена."),
            {true, true, false, false, false});
        return std::nullopt;
    }

    const data::Recordset accrual = sh.cnn.execute(
        QStringLiteral("select card_id,deleted,input_day,fsk_operations.act_id,term_day,summa,"
                       "docum,period_name,docum_num,docum_date,cardpart_id from "
                       "fsk_operations,fsk_actions where "
                       "fsk_operations.act_id=fsk_actions.act_id and oper_id=?"),
        {id});
    const qint32 card_id = card_of(accrual.text(0));
    const QString period_name = accrual.text_or_empty(7);
    const int act_id = payment_act(accrual.field(10));

    const QString today = platform::today().toString(Qt::ISODate);
    const QVariant paid_on = data::stored_date(o[Field::PaymentDate]);
    // The payment and the mark that it was made go together: a failure or a crash between the
    // two would leave a payment in the card that the next run books again.
    data::Transaction transaction(sh.cnn);
    sh.cnn.execute(
        QStringLiteral("insert into fsk_operations (card_id,deleted,input_day,act_id,term_day,"
                       "summa,docum,period_name,docum_num,docum_date) values "
                       "(?,0,?,?,?,?,'Платежное поручение',?,?,?)"),
        {qlonglong(card_id), today, qlonglong(act_id), today,
         stored_amount(bez_razr(o[Field::Sum])), period_name, o[Field::Number], paid_on});
    sh.cnn.execute(QStringLiteral("update payments set payment_done=1 where oper_id=?"), {id});
    transaction.commit();
    return card_id;
}

} // namespace tavrelis
