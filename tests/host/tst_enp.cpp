// Single tax payments on the demo, through the host program: where the receiver comes from,
// which accruals are taken, and that the accruals of one payer account go out as one order in
// every output while each card is booked its own amount.

#include "platform/codepage.h"
#include "support/cases.h"
#include "support/demo_host.h"
#include "support/faults.h"
#include "support/support.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::DemoHost;

namespace {

const QByteArray kEnpFile = QStringLiteral("# receiver of a single tax payment\n"
                                           "receiver=Казначейство России (ФНС России)\n"
                                           "inn=7727406020\n"
                                           "kpp=770801001\n"
                                           "rs=03100643000000018500\n"
                                           "bik=017003983\n"
                                           "ks=40102810445370000059\n"
                                           "bank=Банк из файла\n"
                                           "kbk=18201061201010000510\n")
                                .toUtf8();

const QString kEnpKbk = QStringLiteral("18201061201010000510");
const QString kDropHostRow =
    QStringLiteral("delete from requisites where kbk='18201061201010000510';");

const QStringList kForm{"Form1.Check1 check", "Form1.DTPicker3 date 28.01.2027",
                        "Form1.Command2 click"};

} // namespace

class TestEnp : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    DemoHost place_;

    QString value(const QString& sql) const { return place_.value(sql); }
    // The total of the accruals an order number stands for, as the exchange file writes it.
    QString total(const QString& number) const {
        return value(QStringLiteral("select printf('%.2f', sum(summa)) from fsk_operations where "
                                    "oper_id in (select oper_id from payments where number_='") +
                     number + QStringLiteral("')"));
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        place_ = DemoHost();
        place_.root = dir_.path() + QStringLiteral("/") + QTest::currentTestFunction() +
                      QTest::currentDataTag();
    }

    // The receiver: the host's own row for the payer, else Templates/enp.ini; with neither the
    // forming stops before it stores anything.
    void receiver_data() {
        columns<QString, bool, QString, QString>(); // settlements, file, company_kpp (receiver KPP
                                                    // of the company's orders), branch_kpp
        row("host row, file", "", true, "770701001", "770801001");
        row("file only", kDropHostRow, true, "770801001", "770801001");
        row("no file, branch has no row", "", false, "", "");
        row("neither", kDropHostRow, false, "", "");
    }
    void receiver() {
        auto [settlements, file, company_kpp, branch_kpp] =
            fetch<QString, bool, QString, QString>();
        QVERIFY(place_.make(settlements));
        QVERIFY(place_.own_module(file ? &kEnpFile : nullptr));
        const auto run = run_host(place_, kForm);
        QCOMPARE(run.exit_code, 0);
        const QString orders = value(QStringLiteral("select count(*) from payments"));
        if (company_kpp.isEmpty()) {
            const QString said = run.transcript.join(u'\n');
            QVERIFY2(said.contains(QStringLiteral("Не найдены реквизиты получателя единого "
                                                  "налогового платежа: в справочнике реквизитов "
                                                  "их нет, а файл")) &&
                         said.contains(place_.module + QStringLiteral("/Templates/enp.ini")),
                     qPrintable(said));
            QCOMPARE(orders, QStringLiteral("0"));
            return;
        }
        // Every accrual due that day, of every tax and card part, of the company and its branch.
        QCOMPARE(
            orders,
            value(
                "select count(*) from fsk_operations o join fsk_actions a on "
                "a.act_id=o.act_id where a.act_prim_id=4 and o.deleted=0 and "
                "o.term_day='2027-01-28' and o.card_id in (select card_id from "
                "fsk_cardlist where accstream_id in (select accstream_id from fsk_cardlist c join "
                "fsk_operations o on o.card_id=c.card_id join payments p on "
                "p.oper_id=o.oper_id))"));
        QVERIFY(orders.toInt() > 10);
        QCOMPARE(value("select count(distinct taxcode) from fsk_cardlist where card_id in "
                       "(select card_id from fsk_operations where oper_id in (select oper_id "
                       "from payments))")
                         .toInt() > 1,
                 true);
        for (const auto& [kpp, sender_kpp] : {std::pair(company_kpp, QStringLiteral("770501001")),
                                              std::pair(branch_kpp, QStringLiteral("695243001"))})
            QCOMPARE(value(QStringLiteral("select group_concat(distinct p.kpp) from payments p "
                                          "join fsk_operations o on o.oper_id=p.oper_id join "
                                          "fsk_cardlist c on c.card_id=o.card_id join "
                                          "self_requisites s on s.kpp='") +
                           sender_kpp + QStringLiteral("' and s.closed=0 and s.rs=p.rs_sender")),
                     kpp);
        QCOMPARE(value("select count(*) from payments where kbk<>'" + kEnpKbk +
                       "' or kpp_sender<>'0' or okato<>'0' or reason<>'0' or period<>'0' or "
                       "payment_type<>'' or document_date is not null or priority<>'5' or "
                       "aim<>'Единый налоговый платеж' or inn<>'7727406020' or "
                       "rs<>'03100643000000018500'"),
                 QStringLiteral("0"));
    }

    // Printed, exported and posted in one run: one sheet and one file per payer account, all
    // its accruals recorded under one number, each card booked its own amount; the paid
    // accrual is an order of its own and is not booked again.
    void one_order_per_account() {
        QVERIFY(place_.make());
        const auto run =
            run_host(place_, kForm + QStringList{"Form2.Check4 check", "Form2.Check1 uncheck",
                                                 "Form2.Check2 check", "Form2.Command10 click",
                                                 "Form6.Command1 click", "answer No", "answer OK",
                                                 "Form2.Command8 click"});
        QVERIFY2(run.exit_code == 0, qPrintable(run.stderr_text));
        QCOMPARE(QDir(place_.pdfs()).entryList(QDir::Files).size(), 3);
        QCOMPARE(QDir(place_.exports()).entryList(QDir::Files).size(), 3);
        QCOMPARE(value("select count(distinct number_) from payments"), QStringLiteral("3"));
        QCOMPARE(value("select count(*) from payments where print_done<>1"), QStringLiteral("0"));
        const QString xml = tavrelis::platform::from_cp1251(
            testsupport::read_file(place_.exports() + "/7705123452_N1_20261205.xml"));
        for (const QString& element :
             {"<summa_digits>" + QString(total("1")).replace(u'.', u',') + "</summa_digits>",
              QStringLiteral("<data_doc>0</data_doc>"),
              QStringLiteral("<kpp_sender>0</kpp_sender>")})
            QVERIFY2(xml.contains(element), qPrintable(element + u'\n' + xml));
        // Each accrual paid once, into its own card, with its own amount and the order's number.
        QCOMPARE(value("select count(*) from payments p join fsk_operations a on "
                       "a.oper_id=p.oper_id where (select count(*) from fsk_operations b where "
                       "b.card_id=a.card_id and b.docum='Платежное поручение' and "
                       "b.input_day='2026-12-05' and abs(b.summa-a.summa)<0.005 and "
                       "b.docum_num=p.number_)<>1"),
                 QStringLiteral("1")); // the accrual paid before the run
        QCOMPARE(
            value("select count(*) from fsk_operations where docum='Платежное поручение' "
                  "and input_day='2026-12-05' and docum_num in (select number_ from payments)"),
            QString::number(value("select count(*) from payments").toInt() - 1));
    }

    // The bank file: one section per payer account and number with the total; a printed order
    // kept under its number, and the accruals printed with it, stay one order apart.
    void upload() {
        QVERIFY(place_.make());
        QVERIFY(run_host(place_, kForm + QStringList{"Form2.Command11 click", "answer Yes",
                                                     "answer No", "Form2.Command8 click"})
                    .exit_code == 0);
        const QStringList files = QDir(place_.exports()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const auto docs = testsupport::exchange_sections(place_.exports() + u'/' + files.first());
        QCOMPARE(docs.size(), 3);
        for (const auto& d : docs) {
            QCOMPARE(d.value("Сумма"), total(d.value("Номер")));
            for (const auto& [key, expected] :
                 {std::pair("ПоказательКБК", "18201061201010000510"),
                  std::pair("СтатусСоставителя", "01"), std::pair("ПлательщикКПП", "0"),
                  std::pair("ОКАТО", "0"), std::pair("ПоказательОснования", "0"),
                  std::pair("ПоказательПериода", "0"), std::pair("ПоказательНомера", "0"),
                  std::pair("ПоказательДаты", "0"), std::pair("ПоказательТипа", ""),
                  std::pair("Код", "0"), std::pair("Очередность", "5"),
                  std::pair("ПолучательКПП", "770701001"),
                  std::pair("ПолучательСчет", "03100643000000018500")})
                QCOMPARE(d.value(QString::fromUtf8(key)), QString(expected));
        }

        // Formed and sent again with one more accrual of the company due: the accruals sent
        // keep their numbers and orders, the new one is an order of its own.
        QCOMPARE(testsupport::run_sql(
                     place_.settlements(),
                     "insert into fsk_operations (card_id,deleted,input_day,act_id,term_day,summa) "
                     "select card_id,0,input_day,act_id,term_day,777 from fsk_operations where "
                     "oper_id=(select min(oper_id) from payments)"),
                 QString());
        QDir(place_.exports()).removeRecursively();
        QCOMPARE(run_host(place_, kForm + QStringList{"Form2.Command11 click", "answer Yes",
                                                      "answer No", "Form2.Command8 click"})
                     .exit_code,
                 0);
        const QStringList again = QDir(place_.exports()).entryList(QDir::Files);
        QCOMPARE(again.size(), 1);
        QStringList sums;
        for (const auto& d :
             testsupport::exchange_sections(place_.exports() + u'/' + again.first()))
            sums.append(d.value("Номер") + u'=' + d.value("Сумма"));
        QCOMPARE(sums, QStringList(
                           {"1=" + total("1"), "2=" + total("2"), "3=" + total("3"), "4=777.00"}));
    }
};

QTEST_GUILESS_MAIN(TestEnp)
#include "tst_enp.moc"
