#include "common/session.h"
#include "forming/form1.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "support/testhost.h"

#include <QComboBox>
#include <QListWidget>
#include <QtTest>

using namespace tavrelis;
using testsupport::TestHost;

namespace {

// What the scripted sessions (organisations, natural_person, default_quarter, req1_*) do not
// show. A legal person (report set 1) with two branches: one legal with two report sets and no
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

        QCOMPARE(f.inn + ' ' + f.kpp, QStringLiteral("7705123452 770501001"));
        QStringList entries, periods;
        for (int i = 0; i < f.List1->count(); ++i)
            entries << f.List1->item(i)->text();
        QCOMPARE(entries,
                 QStringList({"ООО \"Кор\"", "--->Филиал полное имя", "--->Петров Пётр "}));
        // A branch without a report set adds an empty id and no keys.
        QCOMPARE(f.ids_acc, QVariantList({1, QStringLiteral("3,4"), QString()}));
        QStringList keys = f.inn_by_acc.keys();
        keys.sort();
        QCOMPARE(keys, QStringList({"1", "3", "4"}));
        QCOMPARE(f.kpp_by_acc.value("4"), QStringLiteral("695243001"));
        // -3 is looked up as 3 and kept as -3; unknown and non-numeric codes are skipped.
        QCOMPARE(f.ids_kbk, QStringList({"1", "-3"}));
        QCOMPARE(f.Combo2->itemText(1), QStringLiteral("Имущество"));
        // Newest first, no excluded kinds, nothing before 2006; the current quarter chosen.
        for (int i = 0; i < f.Combo3->count(); ++i)
            periods << f.Combo3->itemText(i);
        QCOMPARE(periods, QStringList({"II квартал 2026", "I квартал 2026", "Январь 2026"}));
        QCOMPARE(f.Combo3->currentIndex(), 0);
    }
};

QTEST_MAIN(TestReq1)
#include "tst_req1.moc"
