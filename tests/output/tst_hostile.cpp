// Hostile texts (tests/data/hostile.txt), one per branch of the taxpayer, through forming, the
// list, the editor, export, posting and print runs: stored and shown exactly, exported
// escaped, previewed as the template takes them; nothing else of the host changes.

#include "common/form4.h"
#include "common/session.h"
#include "common/shared.h"
#include "data/connection.h"
#include "forming/form1.h"
#include "forming/forming.h"
#include "output/edit_payment.h"
#include "output/export_run.h"
#include "output/form2.h"
#include "output/template_buffer.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/recording_ui.h"
#include "support/forming_data.h"
#include "support/host_state.h"
#include "support/hostile.h"
#include "support/support.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTreeView>
#include <QtTest>

using namespace tavrelis;
using namespace testsupport::hostile;
using testsupport::HostState;
namespace fd = testsupport::forming;

namespace {

// Rows inserted with bound values, in one transaction: the texts reach the database exactly.
bool insert_rows(const QString& file, const QString& sql, const QList<QVariantList>& rows) {
    try {
        data::Connection c;
        c.set_connection_string(data::access_connection_string(file));
        c.open();
        c.execute(QStringLiteral("begin"));
        for (const QVariantList& row : rows)
            c.execute(sql, row);
        c.execute(QStringLiteral("commit"));
        return true;
    } catch (const Error& e) {
        qWarning("%s\n  in: %s", qPrintable(e.description()), qPrintable(sql));
        return false;
    }
}

QString org_inn(int i) {
    return QStringLiteral("5%1").arg(i, 9, 10, QLatin1Char('0'));
}

// A page's text for finding a text in it: a control character a blank, every run of blanks
// one blank, soft hyphens dropped.
QString normalised(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == QChar::SoftHyphen)
            continue;
        if (!c.isSpace() && c.category() != QChar::Other_Control)
            out += c;
        else if (!out.endsWith(u' '))
            out += u' ';
    }
    return out.trimmed();
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT
    QStringList corpus_;
    QStringList mismatches_;

    int n() const { return int(corpus_.size()); }
    const QString& entry(int i) const { return corpus_[i % n()]; }
    static bool natural(int i) { return i % 5 == 4; } // its KPP reads as 0

    void expect(const QString& what, const QString& expected, const QString& actual) {
        if (expected != actual)
            mismatches_ << what + ": expected " + shown(expected) + ", got " + shown(actual);
    }

    // What order 10000 + i carries in its free texts.
    QList<QPair<Field, QString>> texts(int i) const {
        return {{Field::Receiver, entry(i)},
                {Field::Bank, entry(i + 1)},
                {Field::Sender, entry(i + 2)},
                {Field::BankSender, entry(i + 3)},
                {Field::Aim, QStringLiteral("Налог на прибыль за II квартал 2026")}};
    }

    // The taxpayer with one branch per entry, named by it (short, full or a natural person's
    // name), with receiver and own requisites named by entries; one accrual each; and an old
    // stored order.
    void make_host(testsupport::TestHost& host) {
        QVERIFY(insert_rows(host.taxpayer_file(),
                            "insert into legalperson (id,inn,kpp,fullname,shortname) values "
                            "(100,?,?,?,?)",
                            {{fd::kInn, fd::kKpp, entry(1), entry(0)}}));
        QVERIFY(host.taxpayer("insert into accstream (id,personid) values (1,10);"
                              "insert into person (id,type,personrealid) values (10,2,100);"
                              "insert into report_time (report_id,report_name) values (2,'к');"
                              "insert into time_by_month (TIME_ID,REPORT_ID,name,the_year) values "
                              "(2,2,'II квартал',2026);"
                              "insert into nsi_taxlist (tax_code,tax_name,big_code) values "
                              "('101','Налог на прибыль','18210101011011000110');"));
        QVERIFY(host.settlements(
            "insert into fsk_actions (act_id,act_prim_id,CardPart_ID) values (41,4,1),(62,1,1);"
            "insert into requisites (self_inn,self_kpp,kbk,receiver,inn,kpp,okato,bik,bank,rs,"
            "ks) values ('7701000001','770101001','','УФК','7701107259','770101001',"
            "'45286555000','044583001','Банк','40101810800000010041','');"
            "insert into fsk_cardlist (card_id,accstream_id,taxcode) values (1,1,'101');"
            "insert into fsk_operations (oper_id,card_id,deleted,act_id,term_day,summa,"
            "period_name) values (1,1,0,41,'2026-05-14',5,'I квартал 2026');"));
        QVERIFY(fd::add_stored_order(host, {.oper_id = 1})); // an old order
        QList<QVariantList> legal, natural_person, person, stream, branch, card, accrual, receiver,
            own;
        for (int i = 0; i < n(); ++i) {
            const QString kpp = natural(i) ? QStringLiteral("0")
                                           : QStringLiteral("77%1").arg(i, 7, 10, QLatin1Char('0'));
            if (natural(i)) {
                natural_person.append({3000 + i, org_inn(i), entry(i), "Иван", entry(i + 5)});
                person.append({1000 + i, 1, 3000 + i});
            } else {
                const bool by_short = i % 2 == 0;
                legal.append({2000 + i, org_inn(i), kpp, by_short ? "полное" : entry(i),
                              by_short ? entry(i) : QString()});
                person.append({1000 + i, 2, 2000 + i});
            }
            stream.append({100 + i, 1000 + i});
            branch.append({10, 1000 + i});
            card.append({100 + i, 100 + i, "101"});
            accrual.append({10000 + i, 100 + i, 100.0 + i});
            receiver.append({org_inn(i), kpp, entry(i), entry(i + 1)});
            own.append({org_inn(i), kpp, entry(i + 2), entry(i + 3)});
        }
        const QString tp = host.taxpayer_file(), st = host.settlements_file();
        const std::tuple<QString, const char*, QList<QVariantList>> tables[] = {
            {tp, "legalperson (id,inn,kpp,fullname,shortname) values (?,?,?,?,?)", legal},
            {tp, "person (id,type,personrealid) values (?,?,?)", person},
            {tp, "naturalperson (id,inn,surname,name,patronymic) values (?,?,?,?,?)",
             natural_person},
            {tp, "accstream (id,personid) values (?,?)", stream},
            {tp, "branches (parentpersonid,childpersonid) values (?,?)", branch},
            {st, "fsk_cardlist (card_id,accstream_id,taxcode) values (?,?,?)", card},
            {st,
             "fsk_operations (oper_id,card_id,deleted,act_id,term_day,summa,period_name) values "
             "(?,?,0,41,'2026-05-14',?,'II квартал 2026')",
             accrual},
            {st,
             "requisites (self_inn,self_kpp,kbk,receiver,inn,kpp,okato,bik,bank,rs,ks) values "
             "(?,?,'',?,'7701107259','770101001','45286555000','044583001',?,"
             "'40101810800000010041','')",
             receiver},
            {st,
             "self_requisites (inn,kpp,sender,okato,bik,bank,rs,ks,closed) values (?,?,?,"
             "'45286560000','044525225',?,'40702810938000000001','30101810400000000225',0)",
             own}};
        for (const auto& [file, sql, rows] : tables)
            QVERIFY(insert_rows(file, "insert into " + QString::fromUtf8(sql), rows));
    }

    // Every order's texts as the list shows them and as payments holds them.
    void check_orders(testsupport::TestHost& host, const QString& when) {
        Form2& f2 = form2();
        QHash<QString, QStringList> stored;
        for (const QStringList& r : host.settlements_rows(
                 "select oper_id, receiver, bank, sender, bank_sender, aim from payments"))
            stored.insert(r[0], r.mid(1));
        if (f2.row_count() != n())
            mismatches_ << when + QStringLiteral(": %1 rows").arg(f2.row_count());
        for (int r = 1; r <= f2.row_count(); ++r) {
            const QString id = f2.cell(r, Field::OperId);
            const QList<QPair<Field, QString>> t = texts(id.toInt() - 10000);
            for (int k = 0; k < t.size(); ++k) {
                const QString what = when + " " + id + " " + payments_column(t[k].first);
                expect(what + " shown", t[k].second, f2.cell(r, t[k].first));
                expect(what + " stored", t[k].second, stored.value(id).value(k));
            }
        }
    }

private slots:
    void initTestCase() {
        QString error;
        corpus_ = corpus(&error);
        QVERIFY2(error.isEmpty() && n() >= 200, qPrintable(error));
    }

    void corpus_everywhere() {
        platform::set_today(fd::kToday);
        testsupport::TestHost host;
        QTemporaryDir exports;
        Session session;
        platform::RecordingUi ui;
        platform::UiScope scope(ui);
        make_host(host);
        const QString pdfs = exports.filePath(QStringLiteral("printed"));
        platform::set_print_folder(pdfs);
        const HostState before = testsupport::capture_host(host.settlements_file(), {});

        // Forming, from the window as the entry method shows it.
        testsupport::open_formation(fd::kReportSet);
        Command2_Click();
        QCOMPARE(ui.texts(), QStringList());
        Form2& f2 = form2();
        check_orders(host, "formed");
        f2.refresh_list();
        check_orders(host, "refreshed");
        // The editor rewrites every column of the order from the list row.
        for (int r = 0; r < n(); ++r) {
            f2.L1->setCurrentIndex(f2.orders().index(r, 1));
            ui.on_show.push_back([](QDialog& w) {
                w.findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("55,5"));
                w.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            });
            f2.Command9->click();
        }
        QCOMPARE(ui.texts(), QStringList());
        check_orders(host, "edited");
        QCOMPARE(host.settlements_value("select count(*) from payments where sum='55,50'"),
                 QString::number(n()));

        const auto run = [&](bool print, bool preview, bool xml, bool post) {
            ui.boxes.clear();
            f2.Check4->setChecked(print);
            f2.Check1->setChecked(preview);
            f2.Check3->setChecked(xml);
            f2.Check2->setChecked(post);
            f2.Command5_Click();
            Command10_Click();
        };
        const std::array<const char*, 5> elements{"receiver", "bank", "sender", "bank_sender",
                                                  "payment_aim"};

        const QDir xml_dir(exports.filePath(QStringLiteral("xml")));
        shared().up_path = xml_dir.path();
        ui.answers.push_back(platform::vbNo);
        run(false, false, true, false);
        QCOMPARE(ui.texts().size(), 1);
        for (int i = 0; i < n(); ++i) {
            const QString xml = from_cp1251_file(testsupport::read_file(
                xml_dir.filePath(xml_dir.entryList({org_inn(i) + "_N*.xml"}).value(0))));
            for (int k = 0; k < 5; ++k) {
                const QString element = QStringLiteral("<%1>%2</%1>\r\n")
                                            .arg(elements[k])
                                            .arg(xml_escaped(through_cp1251(texts(i)[k].second)));
                if (!xml.contains(element))
                    mismatches_ << "order " + QString::number(i) + " not exported: " + element;
            }
        }

        run(false, false, false, true);
        QVERIFY(ui.texts().value(0).startsWith(QStringLiteral("Проведено %1 ").arg(n())));

        // Each preview is read while it is shown, one order a row in list order; no sheet is
        // printed.
        for (int k = 0; k < n(); ++k)
            ui.on_show.push_back([&, k](QDialog& w) {
                const QString id = f2.cell(k + 1, Field::OperId);
                QTextDocument preview;
                preview.setHtml(QString::fromUtf8(testsupport::read_file(preview_file())));
                const QString on_screen = normalised(preview.toPlainText());
                for (const auto& [field, text] : texts(id.toInt() - 10000))
                    if (!on_screen.contains(normalised(printed(text))))
                        mismatches_ << id + " not in the preview: " + shown(printed(text));
                w.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
            });
        run(true, true, false, false);
        QCOMPARE(ui.texts(), QStringList());
        QVERIFY(ui.on_show.empty());
        QVERIFY(!QDir(pdfs).exists());
        run(true, false, false, false);
        QCOMPARE(ui.texts(), QStringList());
        QCOMPARE(QDir(pdfs).entryList(QDir::Files).size(), n());
        QCOMPARE(host.settlements_value("select count(*) from payments where print_done=1"),
                 QString::number(n()));

        // Nothing else changed: the old order and operations kept, one payment an order.
        const HostState after = testsupport::capture_host(host.settlements_file(), {});
        QCOMPARE(after.operations.size(), before.operations.size() + n());
        QCOMPARE(after.payments.first(), before.payments.first());
        mismatches_ << testsupport::invariant_violations(before, after);
        platform::set_print_folder({});
        platform::set_today({});
        QVERIFY2(mismatches_.isEmpty(),
                 qPrintable(QString::number(mismatches_.size()) + " mismatches:\n" +
                            mismatches_.mid(0, 40).join('\n')));
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
