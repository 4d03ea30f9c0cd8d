#include "support/forming_data.h"

#include <QHash>
#include <QStringList>

namespace testsupport::forming {

QString literal(const QVariant& v) {
    if (v.isNull())
        return QStringLiteral("null");
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return QString::number(v.toLongLong());
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 17);
    case QMetaType::QDate:
        return u'\'' + v.toDate().toString(Qt::ISODate) + u'\'';
    default: {
        QString s = v.toString();
        return u'\'' + s.replace(u'\'', QStringLiteral("''")) + u'\'';
    }
    }
}

namespace {

QString values(const QVariantList& list) {
    QStringList out;
    for (const QVariant& v : list)
        out.append(literal(v));
    return out.join(u',');
}

QString receiver_sql(const QString& self_inn, const QString& self_kpp, const QString& kbk,
                     const QVariantList& fields) {
    return QStringLiteral("insert into requisites (self_inn,self_kpp,kbk,receiver,inn,kpp,okato,"
                          "bik,bank,rs,ks) values (") +
           values(QVariantList{self_inn, self_kpp, kbk} + fields) + QStringLiteral(");");
}

} // namespace

bool standard(TestHost& host) {
    const QString taxpayer =
        QStringLiteral(
            "insert into accstream (id,personid,name) values (%1,10,'Комплект'),(2,11,'Филиал');"
            "insert into person (id,type,personrealid) values (10,2,100),(11,2,101);"
            "insert into legalperson (id,inn,kpp,fullname,shortname) values "
            "(100,%2,%3,'ООО \"Ромашка\"',''),(101,%4,%5,'Ромашка-Юг','');"
            "insert into branches (parentpersonid,childpersonid) values (10,11);"
            "insert into report_time (report_id,report_name) values (1,'м'),(2,'к');"
            "insert into time_by_month (TIME_ID,REPORT_ID,name,the_year) values "
            "(1,1,'Май',2026),(2,2,'II квартал',2026);"
            "insert into nsi_taxlist (tax_code,tax_name,big_code) values "
            "(%6,%7,%8),(%9,'Налог на добавленную стоимость','18210301000011000110');")
            .arg(kReportSet)
            .arg(literal(kInn), literal(kKpp), literal(kBranchInn), literal(kBranchKpp),
                 literal(kTaxCode), literal(kTaxName), literal(kKbk), literal(kOtherTaxCode));
    const QString settlements =
        QStringLiteral("insert into fsk_cardlist (card_id,accstream_id,taxcode) values "
                       "(%1,%2,%3),(%4,2,%3),(3,%2,%5);"
                       "insert into fsk_actions (act_id,act_prim_id,CardPart_ID,act_name) values "
                       "(%6,4,1,'Начислено'),(42,4,2,'Пени'),(43,4,3,'Штраф'),(11,1,1,'Уплата');")
            .arg(kCard)
            .arg(kReportSet)
            .arg(literal(kTaxCode))
            .arg(kBranchCard)
            .arg(literal(kOtherTaxCode))
            .arg(kTaxAction);
    // One transaction per database: each commit waits for the disk.
    return host.taxpayer(QStringLiteral("begin;") + taxpayer + QStringLiteral("commit;")) &&
           host.settlements(
               QStringLiteral("begin;") + settlements +
               receiver_sql(kInn, kKpp, QString(),
                            {kReceiver, kReceiverInn, kReceiverKpp, kReceiverOkato, kReceiverBik,
                             kReceiverBank, kReceiverRs, kReceiverKs}) +
               QStringLiteral("insert into self_requisites (inn,kpp,sender,okato,bik,bank,rs,ks,"
                              "closed) values (") +
               values({kInn, kKpp, kSender, kSenderOkato, kSenderBik, kSenderBank, kSenderRs,
                       kSenderKs, 0}) +
               QStringLiteral("),(%1,%2,'closed','closed','closed','closed','closed','closed',1);"
                              "commit;")
                   .arg(literal(kInn), literal(kKpp)));
}

bool add_accrual(TestHost& host, const Accrual& a) {
    return host.settlements(
        QStringLiteral("insert into fsk_operations (oper_id,card_id,deleted,act_id,term_day,summa,"
                       "period_name,docum_date) values (") +
        values({a.oper_id, a.card_id, a.deleted, a.act_id, a.term_day, a.summa, a.period_name,
                a.docum_date}) +
        u')');
}

bool add_stored_order(TestHost& host, const StoredOrder& o) {
    const QString columns = QStringLiteral(
        "number_,payment_date,sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,bank,sender,inn_sender,"
        "kpp_sender,okato_sender,bik_sender,rs_sender,ks_sender,bank_sender,way,priority,reason,"
        "payment_type,aim,period,document_date,oper_id,payment_done,print_done");
    const QHash<QString, QVariant> given{{"number_", o.number},
                                         {"payment_date", o.payment_date},
                                         {"sum", o.sum},
                                         {"bank", o.bank},
                                         {"way", o.way},
                                         {"priority", QStringLiteral("4")},
                                         {"reason", "ЗД"},
                                         {"payment_type", "АВ"},
                                         {"oper_id", o.oper_id},
                                         {"document_date", o.document_date},
                                         {"payment_done", o.payment_done},
                                         {"print_done", o.print_done}};
    QVariantList row;
    for (const QString& c : columns.split(u','))
        row << given.value(c, c + u' ' + QString::number(o.oper_id));
    return host.settlements("insert into payments (" + columns + ") values (" + values(row) + u')');
}

bool add_receiver(TestHost& host, const QString& self_inn, const QString& self_kpp,
                  const QString& kbk, const QVariantList& receiver_inn_kpp_okato_bik_bank_rs_ks) {
    return host.settlements(
        receiver_sql(self_inn, self_kpp, kbk, receiver_inn_kpp_okato_bik_bank_rs_ks));
}

} // namespace testsupport::forming
