// Composing a new payment order, and refreshing a kept one that is not yet paid. Both fill
// the accrual's list row first and build the statement from the row's texts, so that what
// the list shows is what was stored.

#include "forming/compose.h"

#include "common/amount.h"
#include "common/date_picker.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "data/connection.h"
#include "forming/codes.h"
#include "forming/form1.h"
#include "platform/errors.h"

#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidgetItem>

namespace tavrelis {

namespace {

using data::sql_quote;

// A collection item by key; a key it does not hold is the platform's error for it.
QString item_by_key(const QHash<QString, QString>& items, const QString& key) {
    const auto it = items.constFind(key);
    if (it == items.constEnd())
        throw Error(QStringLiteral("Invalid procedure call or argument"));
    return *it;
}

QString cell(const QTreeWidgetItem* row, int col) {
    return row->text(col);
}

} // namespace

Kopecks amount_field(const data::Recordset& rs, int i) {
    const QVariant v = rs.field(i);
    if (v.typeId() == QMetaType::Double)
        return to_kopecks(v.toDouble());
    return round_kopecks(rs.text(i));
}

void paint_row(QTreeWidgetItem* row, int bgr) {
    const QBrush brush(QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff));
    for (int col = 1; col <= 28; ++col)
        row->setForeground(col, brush);
}

QString list_date(const QDate& d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

void compose_order(QTreeWidgetItem* row, const data::Recordset& accrual, const FormingRun& run) {
    Form1& f1 = form1();
    Form4& f4 = form4();
    const QString oper_id = accrual.text(4);

    int paid = 0;
    row->setText(2, list_date(f1.DTPicker1->date()));

    if (run.fact_payments) {
        const data::Recordset count = f4.cnn.execute(
            QStringLiteral("select count(*) from fact_payments where oper_id=") + oper_id);
        if (count.field(0).toLongLong() > 0) {
            paid = 1;
            paint_row(row, f4.my_color);
        }
    }

    const QString s = accrual.text(1);
    const QString org_inn = item_by_key(f1.inn_by_acc, s);
    const QString org_kpp = item_by_key(f1.kpp_by_acc, s);
    row->setText(14, org_inn);
    row->setText(15, org_kpp);
    row->setText(7, kbk_with_operation(f1.Combo1->currentText(), f1.Combo4->currentIndex()));

    const data::Recordset receiver = f4.cnn.execute(
        QStringLiteral("select receiver,okato,rs,bik,bank,ks,kbk,inn,kpp from requisites where "
                       "self_inn='") +
        sql_quote(org_inn) + QStringLiteral("' and self_kpp='") + sql_quote(org_kpp) +
        QStringLiteral("' and (kbk='") + sql_quote(run.tax_code) + QStringLiteral("' or kbk='')"));
    if (!receiver.empty()) {
        row->setText(4, receiver.text(0));
        row->setText(10, receiver.text(2));
        row->setText(9, receiver.text(3));
        row->setText(12, receiver.text(4));
        row->setText(8, receiver.text(1));
        row->setText(11, receiver.text(5));
        row->setText(5, receiver.text(7));
        row->setText(6, receiver.text(8));
    }

    const data::Recordset own = f4.cnn.execute(
        QStringLiteral("select sender,okato,rs,bik,bank,ks from self_requisites where inn='") +
        sql_quote(org_inn) + QStringLiteral("' and kpp='") + sql_quote(org_kpp) +
        QStringLiteral("' and closed=false"));
    if (!own.empty()) {
        row->setText(13, own.text(0));
        row->setText(16, own.text(1));
        row->setText(18, own.text(2));
        row->setText(17, own.text(3));
        row->setText(20, own.text(4));
        row->setText(19, own.text(5));
    }

    const Kopecks amount = amount_field(accrual, 0);
    row->setText(3, razr(amount));
    row->setText(21, kind_text(f1.Combo6->currentIndex(), f1.Combo6->currentText()));
    row->setText(22, priority_text(f1.Combo7->currentIndex(), f1.Combo7->currentText()));
    row->setText(23, basis_code(f1.Combo8->currentIndex()));
    row->setText(24, payment_type_code(f1.Combo9->currentIndex()));
    row->setText(25, f1.Text2->text());
    row->setText(26, period_indicator(f1.Combo10->currentIndex(), f1.Combo3->currentText()));
    row->setText(27, list_date(f1.DTPicker2->date()));
    if (!accrual.is_null(3))
        row->setText(27, accrual.text(3));

    row->setText(28, sum_rub_kop(amount));

    QString sql = QStringLiteral(
        "insert into payments (number_,payment_date,sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,bank,"
        "sender,inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,ks_sender,bank_sender,way,"
        "priority,reason,payment_type,aim,period,document_date,oper_id,payment_done,print_done) "
        "values ('");
    sql += sql_quote(cell(row, 1)) + QStringLiteral("',format('") + sql_quote(cell(row, 2)) +
           QStringLiteral("','dd.mm.yyyy'),'") + sql_quote(cell(row, 3));
    for (int col = 4; col <= 26; ++col)
        sql += QStringLiteral("','") + sql_quote(cell(row, col));
    sql += QStringLiteral("',format('") + sql_quote(cell(row, 27)) +
           QStringLiteral("','dd.mm.yyyy'),") + oper_id + u',' + QString::number(paid) +
           QStringLiteral(",0)");
    f4.cnn.execute(sql);
}

void refresh_order(QTreeWidgetItem* row) {
    Form1& f1 = form1();
    if (f1.Combo6->currentIndex() > 0)
        row->setText(21, f1.Combo6->currentText());
    if (f1.Combo7->currentIndex() >= 0)
        row->setText(22, f1.Combo7->currentText());
    row->setText(24, payment_type_code(f1.Combo9->currentIndex()));
    row->setText(23, basis_code(f1.Combo8->currentIndex()));
    row->setText(2, list_date(f1.DTPicker1->date()));
    row->setText(27, list_date(f1.DTPicker2->date()));

    struct Part {
        const char* lead;
        int col;
    };
    static constexpr Part parts[] = {
        {"', receiver='", 4},     {"',inn='", 5},           {"',kpp='", 6},
        {"',kbk='", 7},           {"',okato='", 8},         {"',bik='", 9},
        {"',rs='", 10},           {"',ks='", 11},           {"',bank='", 12},
        {"',sum='", 3},           {"',sender='", 13},       {"',inn_sender='", 14},
        {"',kpp_sender='", 15},   {"',okato_sender='", 16}, {"',bik_sender='", 17},
        {"',rs_sender='", 18},    {"',ks_sender='", 19},    {"',bank_sender='", 20},
        {"',way='", 21},          {"',priority='", 22},     {"',reason='", 23},
        {"',payment_type='", 24}, {"',aim='", 25},          {"',period='", 26},
    };
    QString sql = QStringLiteral("update payments set number_='") +
                  QString::number(clean_number(cell(row, 1)));
    for (const Part& p : parts)
        sql += QLatin1String(p.lead) + sql_quote(cell(row, p.col));
    sql += QStringLiteral("',document_date=format('") + sql_quote(cell(row, 27)) +
           QStringLiteral("','dd.mm.yyyy'), payment_date=format('") + sql_quote(cell(row, 2)) +
           QStringLiteral("','dd.mm.yyyy') where oper_id=") + cell(row, 29);
    form4().cnn.execute(sql);
}

} // namespace tavrelis
