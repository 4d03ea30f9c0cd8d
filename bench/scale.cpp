#include "scale.h"

#include "support/faults.h"
#include "support/hostile.h"
#include "support/support.h"

#include <QDir>
#include <QRegularExpression>

namespace testsupport::scale {

namespace {

// The demo's taxpayer (report set 1) and its first tax.
const QString kInn = QStringLiteral("7705123452");
const QString kKpp = QStringLiteral("770501001");
const QString kDue = QStringLiteral("28.01.2027");
const QString kQuarter = QStringLiteral("IV квартал 2026");

QString quoted(QString text) {
    return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
}

QString form(const QString& due = kDue) {
    return QStringLiteral("Form1.DTPicker3 date ") + due;
}

QString posted(int orders, int cards) {
    return QStringLiteral("answer OK \"Проведено %1 операций уплаты в %2 карточек расчета с "
                          "бюджетом\"")
        .arg(orders)
        .arg(cards);
}

const QString kExported = QStringLiteral(
    "answer No \"Выгрузка в XML успешно выполнена. Открыть папку, содержащую выгруженные "
    "документы?\"");

// A text every character of which windows-1251 holds: words, quotes, an ampersand, "№", a
// dash and "ё", numbered, so that a piece lost or moved shows; cut to `bytes` UTF-8 bytes.
QString long_text(int bytes) {
    QString out;
    for (int k = 0, size = 0; size < bytes; ++k) {
        QString piece = QStringLiteral("ООО «Ромашка-%1» & \"Партнёры\" O'Нил №%1 — ").arg(k);
        while (size + piece.toUtf8().size() > bytes)
            piece.chop(1);
        size += piece.isEmpty() ? bytes : int(piece.toUtf8().size());
        out += piece;
    }
    return out;
}

// The filled template as the word processor reads its bytes: UTF-8 where they are, one
// windows-1251 character for any other byte.
QString filled_text(const QByteArray& bytes) {
    QString out;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int len = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : 0;
        bool valid = len > 0 && i + len <= bytes.size();
        for (int k = 1; valid && k < len; ++k)
            valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        out += valid ? QString::fromUtf8(bytes.mid(i, len))
                     : hostile::from_cp1251_file(bytes.mid(i, 1));
        i += valid ? len : 1;
    }
    return out;
}

// The value of an element of an exported file, read back as text.
QString element(const QString& xml, const QString& name) {
    const QRegularExpression re(QStringLiteral("<%1>([^<]*)</%1>").arg(name));
    return re.match(xml).captured(1);
}

QStringList mismatch(const QString& what, const QString& expected, const QString& actual) {
    if (expected == actual)
        return {};
    return {QStringLiteral("%1: expected %2, got %3")
                .arg(what, hostile::shown(expected), hostile::shown(actual))};
}

// Every export file of the folder, read back as text.
QStringList exported(const QString& folder) {
    QStringList out;
    for (const QFileInfo& f : QDir(folder).entryInfoList({QStringLiteral("*.xml")}, QDir::Files))
        out << hostile::from_cp1251_file(read_file(f.filePath()));
    return out;
}

QString xml_of(const QString& text) {
    return hostile::xml_escaped(hostile::through_cp1251(text));
}

QString branch_inn(int i) {
    return QStringLiteral("77%1").arg(i, 8, 10, QLatin1Char('0'));
}
QString branch_kpp(int i) {
    return QStringLiteral("7701%1").arg(i, 5, 10, QLatin1Char('0'));
}
QString branch_name(int i) {
    return QStringLiteral("Филиал № %1 ООО «Северный ветер» & Ко").arg(i);
}
QString branch_receiver(int i) {
    return QStringLiteral("УФК по филиалу № %1 (ИФНС России № %1)").arg(i);
}

} // namespace

Case accruals(int n) {
    Case c{QStringLiteral("accruals"),
           QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where "
                          "i<%1) insert into fsk_operations (card_id,deleted,input_day,act_id,"
                          "term_day,summa,docum,period_name) select 1,0,'2026-12-01',1,"
                          "'2027-01-28',1000+i/100.0,'Расчет налога','IV квартал 2026' from n;")
               .arg(n - 3), // the demo has 3 due that day
           {},
           {form(), QStringLiteral("Form1.Command2 click"),
            QStringLiteral("expect Form2.L1 rows %1").arg(n),
            QStringLiteral("Form2.Command8 click")},
           {}};
    c.check = [n](const DemoHost& p) {
        const QString receiver =
            p.value("select receiver from requisites where self_inn='7705123452' and "
                    "self_kpp='770501001' and (kbk='1' or kbk='') order by id limit 1");
        // Every order numbered once, its amount that of its accrual in digit groups, and the
        // texts of the taxpayer's card those of its requisites.
        return mismatch(QStringLiteral("orders"), QStringLiteral("%1|%1|1|%1|0|0").arg(n),
                        query(p.settlements(),
                              "select count(*),count(distinct number_),min(number_+0),"
                              "max(number_+0),sum(abs(replace(replace(p.sum,' ',''),',','.')-"
                              "round(o.summa,2))>0.001),sum(o.card_id=1 and p.receiver<>" +
                                  quoted(receiver) +
                                  ") from payments p join fsk_operations o using (oper_id) where "
                                  "p.sum glob '[0-9]*,[0-9][0-9]' and p.sum not glob '*[0-9][0-9]"
                                  "[0-9][0-9]*'")
                            .value(0)
                            .join(u'|'));
    };
    return c;
}

Case long_receiver(int bytes, bool print) {
    const QString name = long_text(bytes);
    Case c{QStringLiteral("long receiver"),
           "update requisites set receiver=" + quoted(name) + " where self_inn='" + kInn +
               "' and self_kpp='" + kKpp + "';",
           {},
           {form(), QStringLiteral("Form1.Command2 click"), QStringLiteral("Form2.Check2 check")},
           {}};
    if (print)
        c.script << QStringLiteral("Form2.Check4 check") << QStringLiteral("Form2.Check1 uncheck");
    // The branch's order of the three is paid already: the notice says so.
    c.script << QStringLiteral("Form2.Command10 click") << QStringLiteral("Form6.Command2 click")
             << kExported << posted(2, 1) << QStringLiteral("Form2.Command8 click");
    c.check = [name, print](const DemoHost& p) {
        // Two of the demo's three orders are the taxpayer's.
        QStringList out =
            mismatch(QStringLiteral("orders with the name"), QStringLiteral("2"),
                     p.value("select count(*) from payments where receiver=" + quoted(name)));
        int files = 0;
        for (const QString& xml : exported(p.exports()))
            if (element(xml, QStringLiteral("kpp_sender")) == kKpp) {
                ++files;
                out << mismatch(QStringLiteral("exported receiver"), xml_of(name),
                                element(xml, QStringLiteral("receiver")));
            }
        out << mismatch(QStringLiteral("export files with the name"), QStringLiteral("2"),
                        QString::number(files));
        if (print) {
            // The last order printed is the taxpayer's.
            const QString filled = filled_text(read_file(p.temp() + "/result.xml"));
            if (!filled.contains(hostile::printed(name)))
                out << QStringLiteral("the filled template does not hold the name");
            out << mismatch(QStringLiteral("printed sheets"), QStringLiteral("3"),
                            QString::number(order_files(p.pdfs(), ".pdf").whole.size()));
        }
        return out;
    };
    return c;
}

Case branches(int n, bool exported_too) {
    QString tp, st;
    for (int i = 1; i <= n; ++i) {
        const int id = 1000 + i;
        const QString inn = quoted(branch_inn(i)), kpp = quoted(branch_kpp(i));
        tp += QStringLiteral("insert into legalperson (id,inn,kpp,fullname,shortname) values "
                             "(%1,%2,%3,%4,'');insert into person (id,type,personrealid) values "
                             "(%1,2,%1);insert into branches (parentpersonid,childpersonid) "
                             "values (11,%1);insert into accstream (id,personid) values (%1,%1);")
                  .arg(id)
                  .arg(inn, kpp, quoted(branch_name(i)));
        st += QStringLiteral("insert into fsk_cardlist (card_id,accstream_id,taxcode) values "
                             "(%1,%1,'1');insert into fsk_operations (card_id,deleted,input_day,"
                             "act_id,term_day,summa,docum,period_name) values (%1,0,'2026-12-01',"
                             "1,'2027-01-28',%2,'Расчет налога','IV квартал 2026');"
                             "insert into requisites (self_inn,self_kpp,kbk,receiver,inn,kpp,"
                             "okato,bik,bank,rs,ks) values (%3,%4,'',%5,'7701107259','770101001',"
                             "'45286555000','044583001','Отделение 1 Москва',"
                             "'40101810800000010041','');insert into self_requisites (inn,kpp,"
                             "sender,okato,bik,bank,rs,ks,closed) values (%3,%4,%6,'45286560000',"
                             "'044525225','ПАО Банк','40702810938000000001',"
                             "'30101810400000000225',0);")
                  .arg(id)
                  .arg(5000 + i / 100.0)
                  .arg(inn, kpp, quoted(branch_receiver(i)), quoted(branch_name(i)));
    }
    // The taxpayer and its two branches in the demo, then the new ones, all chosen.
    QStringList chosen;
    for (int i = 0; i < n + 3; ++i)
        chosen << QString::number(i);
    Case c{QStringLiteral("branches"),
           st,
           tp,
           {form(), "expect Form1.List1 \"" + chosen.join(u',') + u'"',
            QStringLiteral("Form1.Command2 click"),
            QStringLiteral("expect Form2.L1 rows %1").arg(n + 3)},
           {}};
    if (exported_too)
        c.script << QStringLiteral("Form2.Command10 click") << kExported;
    c.script << QStringLiteral("Form2.Command8 click");
    c.check = [n, exported_too](const DemoHost& p) {
        QStringList out;
        QHash<QString, QStringList> stored;
        for (const QStringList& r : query(p.settlements(), "select inn_sender,kpp_sender,sender,"
                                                           "receiver from payments"))
            stored.insert(r[0], r);
        for (int i = 1; i <= n; ++i)
            out << mismatch(
                QStringLiteral("order of branch %1").arg(i),
                QStringList{branch_inn(i), branch_kpp(i), branch_name(i), branch_receiver(i)}.join(
                    u'|'),
                stored.value(branch_inn(i)).join(u'|'));
        if (!exported_too)
            return out;
        QSet<int> seen;
        for (const QString& xml : exported(p.exports())) {
            const QString inn = element(xml, QStringLiteral("inn_sender"));
            const int i = inn.mid(2).toInt();
            if (inn != branch_inn(i) || i < 1 || i > n)
                continue; // the demo's own orders
            seen.insert(i);
            out << mismatch(QStringLiteral("exported sender %1").arg(i), xml_of(branch_name(i)),
                            element(xml, QStringLiteral("sender")))
                << mismatch(QStringLiteral("exported receiver %1").arg(i),
                            xml_of(branch_receiver(i)), element(xml, QStringLiteral("receiver")));
        }
        out << mismatch(QStringLiteral("branches exported"), QString::number(n),
                        QString::number(seen.size()));
        return out;
    };
    return c;
}

Case periods(int n) {
    const QString period = QStringLiteral("Период № %1 2026").arg(n / 2);
    Case c{QStringLiteral("periods"),
           QStringLiteral("insert into fsk_operations (card_id,deleted,input_day,act_id,term_day,"
                          "summa,docum,period_name) values (1,0,'2026-12-01',1,'2027-01-28',"
                          "777.77,'Расчет налога',%1);")
               .arg(quoted(period)),
           QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where "
                          "i<%1) insert into time_by_month (TIME_ID,REPORT_ID,name,the_year) "
                          "select 100000+i,1,'Период № '||i,2026 from n;")
               .arg(n),
           {"Form1.Combo3 select \"" + period + u'"', form(),
            QStringLiteral("Form1.Command2 click"), QStringLiteral("expect Form2.L1 rows 1"),
            QStringLiteral("Form2.Check3 uncheck"), QStringLiteral("Form2.Check2 check"),
            QStringLiteral("Form2.Command10 click"), posted(1, 1),
            QStringLiteral("Form2.Command8 click")},
           {}};
    c.check = [period](const DemoHost& p) {
        const QString tax = query(p.taxpayer(), "select tax_name from nsi_taxlist where "
                                                "tax_code=1")
                                .value(0)
                                .value(0);
        return mismatch(QStringLiteral("the order's purpose and the payment's period"),
                        tax + QStringLiteral(" за ") + period + u'|' + period,
                        p.value("select aim||'|'||(select period_name from fsk_operations where "
                                "act_id=62 order by oper_id desc limit 1) from payments"));
    };
    return c;
}

} // namespace testsupport::scale
