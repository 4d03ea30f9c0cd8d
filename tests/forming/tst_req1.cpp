#include "common/date_picker.h"
#include "common/form4.h"
#include "common/session.h"
#include "forming/form1.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "support/testhost.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace tavrelis;
using testsupport::TestHost;

namespace {

// A legal person (report set 1) with two branches: one legal with two report sets and no
// short name, one natural person with no report set; taxes 1, -3 and a code the directory
// lacks; periods of 2026 with an excluded report kind.
void fill(TestHost& host) {
    QVERIFY(host.taxpayer(R"sql(
        insert into legalperson values (1,'7705123452','770501001','ООО полное','ООО "Кор"');
        insert into legalperson values (2,'7705123452','695243001','Филиал полное имя','');
        insert into naturalperson values (1,'695201234516','Петров','Пётр',null);
        insert into person values (10,2,1), (11,2,2), (12,1,1);
        insert into accstream values (1,10,null), (3,11,null), (4,11,null);
        insert into branches values (10,11), (10,12);
        insert into report_time values (1,'м'), (2,'кв'), (17,'нараст');
        insert into time_by_month values (1,1,'Январь',2026,null,null),
            (2,2,'I квартал',2026,null,null), (3,17,'3 месяца',2026,null,null),
            (4,1,'Декабрь',2005,null,null), (5,2,'II квартал',2026,null,null);
        insert into nsi_taxlist values ('1','НДС','18210301000011000110'),
            ('3','Имущество','18210602010021000110');
    )sql"));
    QVERIFY(host.settlements(R"sql(
        insert into fsk_cardlist values (1,1,'1',null), (2,1,'-3',null), (3,1,'77',null),
            (4,1,'abc',null), (5,3,'1',null), (6,1,'1',null);
    )sql"));
}

} // namespace

class TestReq1 : public QObject {
    Q_OBJECT
private slots:
    void init() { platform::set_today(QDate(2026, 5, 14)); }
    void cleanup() { platform::set_today(QDate()); }

    void fills_the_window() {
        TestHost host;
        fill(host);
        Session s;
        platform::RecordingUi rec;
        platform::UiScope scope(rec);
        Form1& f = form1();
        f.req1(1);
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join("\n")));

        QCOMPARE(f.inn, QStringLiteral("7705123452"));
        QCOMPARE(f.kpp, QStringLiteral("770501001"));
        QStringList entries;
        for (int i = 0; i < f.List1->count(); ++i)
            entries << f.List1->item(i)->text();
        QCOMPARE(entries,
                 QStringList({"ООО \"Кор\"", "--->Филиал полное имя", "--->Петров Пётр "}));
        for (int i = 0; i < f.List1->count(); ++i)
            QVERIFY(f.List1->item(i)->isSelected());
        // A branch without a report set adds an empty id and no keys.
        QCOMPARE(f.ids_acc, QVariantList({1, QStringLiteral("3,4"), QString()}));
        QCOMPARE(f.inn_by_acc.value("3"), QStringLiteral("7705123452"));
        QCOMPARE(f.kpp_by_acc.value("4"), QStringLiteral("695243001"));
        QCOMPARE(f.kpp_by_acc.value("1"), QStringLiteral("770501001"));
        QCOMPARE(f.inn_by_acc.size(), 3);

        // -3 is looked up as 3 and kept as -3; unknown and non-numeric codes are skipped.
        QCOMPARE(f.ids_kbk, QStringList({"1", "-3"}));
        QCOMPARE(f.Combo1->count(), 2);
        QCOMPARE(f.Combo2->itemText(1), QStringLiteral("Имущество"));
        QCOMPARE(f.Combo1->currentIndex(), 0);
        QVERIFY(f.Command2->isEnabled());

        // Newest first, no excluded kinds, nothing before 2006; the current quarter chosen.
        QStringList periods;
        for (int i = 0; i < f.Combo3->count(); ++i)
            periods << f.Combo3->itemText(i);
        QCOMPARE(periods, QStringList({"II квартал 2026", "I квартал 2026", "Январь 2026"}));
        QCOMPARE(f.Combo3->currentText(), QStringLiteral("II квартал 2026"));
        QCOMPARE(f.Text2->text(), QStringLiteral("НДС за II квартал 2026"));
        QCOMPARE(f.Combo10->currentIndex(), 1);
        QCOMPARE(f.Combo6->currentIndex(), 3);
        QCOMPARE(f.DTPicker3->date(), QDate(2026, 5, 14));
        QVERIFY(f.db_path.endsWith("/Data/"));
        QVERIFY(!f.db_path.contains(QChar(0)));
        QCOMPARE(form4().cnn.state(), int(data::Connection::Open));
        QCOMPARE(form4().cnn2.state(), int(data::Connection::Open));
    }

    void natural_person_and_full_name_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("kpp");
        QTest::newRow("short name") << ""
                                    << "ООО \"Кор\""
                                    << "770501001";
        QTest::newRow("empty short name") << "update legalperson set shortname='' where id=1"
                                          << "ООО полное"
                                          << "770501001";
        QTest::newRow("null short name") << "update legalperson set shortname=null where id=1"
                                         << "ООО полное"
                                         << "770501001";
        QTest::newRow("natural person") << "update person set type=1, personrealid=1 where id=10"
                                        << "Петров Пётр "
                                        << "";
    }
    void natural_person_and_full_name() {
        QFETCH(QString, sql);
        QFETCH(QString, entry);
        QFETCH(QString, kpp);
        TestHost host;
        fill(host);
        if (!sql.isEmpty())
            QVERIFY(host.taxpayer(sql));
        Session s;
        platform::RecordingUi rec;
        platform::UiScope scope(rec);
        form1().req1(1);
        QCOMPARE(form1().List1->item(0)->text(), entry);
        QCOMPARE(form1().kpp, kpp);
    }

    // A path stored without its final separator gets one; one stored with it keeps one.
    void database_path_separator_data() {
        QTest::addColumn<bool>("trailing");
        QTest::newRow("without") << false;
        QTest::newRow("with") << true;
    }
    void database_path_separator() {
        QFETCH(bool, trailing);
        TestHost host;
        fill(host);
        host.write_registry(host.data_dir() + (trailing ? "/" : ""), 93);
        Session s;
        platform::RecordingUi rec;
        platform::UiScope scope(rec);
        form1().req1(1);
        QCOMPARE(form1().db_path, host.data_dir() + "/");
        QCOMPARE(form1().db_file_path, host.settlements_file());
    }

    // A second call keeps the open connections and fills a fresh window.
    void second_call_keeps_connections() {
        TestHost host;
        fill(host);
        Session s;
        platform::RecordingUi rec;
        platform::UiScope scope(rec);
        form1().req1(1);
        form1().unload();
        QCOMPARE(form1().List1->count(), 0);
        QCOMPARE(form1().Text1->text(), QStringLiteral("1"));
        form1().req1(1);
        QCOMPARE(form1().List1->count(), 3);
        QCOMPARE(form1().Combo1->count(), 2);
        QCOMPARE(form1().ids_acc.size(), 3);
    }

    // Either tax list moved to no entry takes the other along, once.
    void tax_lists_to_no_entry_data() {
        QTest::addColumn<bool>("first");
        QTest::newRow("КБК") << true;
        QTest::newRow("tax name") << false;
    }
    void tax_lists_to_no_entry() {
        QFETCH(bool, first);
        TestHost host;
        fill(host);
        Session s;
        platform::RecordingUi rec;
        platform::UiScope scope(rec);
        form1().req1(1);
        (first ? form1().Combo1 : form1().Combo2)->setCurrentIndex(-1);
        QCOMPARE(form1().Combo1->currentIndex(), -1);
        QCOMPARE(form1().Combo2->currentIndex(), -1);
        QCOMPARE(form1().Text2->text(), QStringLiteral(" за II квартал 2026"));
    }

    void no_current_quarter_leaves_no_period() {
        platform::set_today(QDate(2026, 11, 2));
        TestHost host;
        fill(host);
        Session s;
        platform::RecordingUi rec;
        platform::UiScope scope(rec);
        form1().req1(1);
        QCOMPARE(form1().Combo3->currentIndex(), -1);
        QCOMPARE(form1().Combo10->currentIndex(), 0);
    }
};

QTEST_MAIN(TestReq1)
#include "tst_req1.moc"
