// Hostile texts from the host databases (tests/data/hostile.txt) through every free-text
// source the module reads: they must be stored and shown exactly, exported and posted
// without a failure, and nothing else of payments and fsk_operations may change.

#include "common/form4.h"
#include "common/session.h"
#include "common/settings.h"
#include "forming/form1.h"
#include "forming/forming.h"
#include "output/edit_payment.h"
#include "output/export_run.h"
#include "output/form2.h"
#include "output/save_data.h"
#include "output/template_buffer.h"
#include "platform/env.h"
#include "platform/objects.h"
#include "platform/recording_ui.h"
#include "support/forming_data.h"
#include "support/host_state.h"
#include "support/hostile.h"
#include "support/support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>
#include <sqlite3.h>

#include <functional>
#include <memory>

using namespace tavrelis;
using namespace testsupport::hostile;
using testsupport::capture_host;
using testsupport::HostState;
using testsupport::invariant_violations;
using testsupport::TestHost;
namespace fd = testsupport::forming;

namespace {

const QString kPeriod = QStringLiteral("II квартал 2026");
const QString kTaxName = QStringLiteral("Налог на прибыль");

// Inserts rows with bound parameters in one transaction: the texts reach the database
// exactly, whatever they hold.
bool insert_rows(const QString& file, const QString& sql, const QList<QVariantList>& rows) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK;
    sqlite3_stmt* st = nullptr;
    ok = ok && sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK &&
         sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK;
    for (const QVariantList& row : rows) {
        if (!ok)
            break;
        sqlite3_reset(st);
        for (int i = 0; i < row.size(); ++i) {
            const QVariant& v = row[i];
            if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
                sqlite3_bind_int64(st, i + 1, v.toLongLong());
            } else if (v.typeId() == QMetaType::Double) {
                sqlite3_bind_double(st, i + 1, v.toDouble());
            } else {
                const QByteArray t = v.toString().toUtf8();
                sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
        }
        ok = sqlite3_step(st) == SQLITE_DONE;
    }
    if (!ok)
        qWarning("%s\n  in: %s", sqlite3_errmsg(db), qPrintable(sql));
    sqlite3_finalize(st);
    ok = ok && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// The payer INN and KPP of organisation i of a host.
QString org_inn(int i) {
    return QStringLiteral("5%1").arg(i, 9, 10, QLatin1Char('0'));
}
QString org_kpp(int i) {
    return QStringLiteral("77%1").arg(i, 7, 10, QLatin1Char('0'));
}

// Collects differences, so that one run reports every entry that went wrong.
class Mismatches {
public:
    void expect(const QString& what, const QString& expected, const QString& actual) {
        if (expected != actual)
            list_ << QStringLiteral("%1: expected %2, got %3")
                         .arg(what, shown(expected), shown(actual));
    }
    void fail(const QString& what) { list_ << what; }
    bool empty() const { return list_.isEmpty(); }
    QString report() const {
        return QStringLiteral("%1 mismatches:\n").arg(list_.size()) +
               list_.mid(0, 40).join(QLatin1Char('\n'));
    }

private:
    QStringList list_;
};

// The text of an element of an exported file: what stands between its first opening tag
// and the closing tag after it. Only for elements whose value cannot hold a "<".
QString element(const QString& xml, const QString& name, int occurrence = 1) {
    qsizetype from = 0;
    qsizetype open = -1;
    const QString tag = u'<' + name + u'>';
    for (int k = 0; k < occurrence; ++k) {
        open = xml.indexOf(tag, from);
        if (open < 0)
            return QStringLiteral("<missing element>");
        from = open + tag.size();
    }
    const qsizetype close = xml.indexOf(QStringLiteral("</") + name + u'>', from);
    return close < 0 ? QStringLiteral("<unclosed element>") : xml.mid(from, close - from);
}

// A page's text for finding a text in it: a control character, as the word processor shows
// it, a blank; every run of blanks, line ends and the like one blank, or, for the text of a
// PDF, where extraction breaks lines as the sheet wraps them, none; soft hyphens dropped.
QString normalised(const QString& text, bool blanks) {
    QString out;
    for (const QChar c : text) {
        if (c == QChar::SoftHyphen)
            continue;
        if (c.isSpace() || c.category() == QChar::Other_Control) {
            if (blanks && !out.endsWith(u' '))
                out += u' ';
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

// Whether a text stands on a printed sheet, given the normalised text of each page: on one
// page, or begun on one and carried over to the next where its table row breaks (the other
// cells of the row then come in between).
bool on_sheet(const QStringList& pages, const QString& text) {
    // The longest start of `rest` that a page holds; a start held is held shorter too.
    const auto held = [](const QString& page, QStringView rest) {
        qsizetype lo = 0, hi = rest.size();
        while (lo < hi) {
            const qsizetype mid = (lo + hi + 1) / 2;
            if (page.contains(rest.first(mid)))
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    };
    for (qsizetype first = 0; first < pages.size(); ++first) {
        QStringView rest(text);
        for (qsizetype p = first; p < pages.size(); ++p) {
            const qsizetype n = held(pages[p], rest);
            rest = rest.sliced(n);
            if (rest.isEmpty())
                return true;
            if (n == 0)
                break;
        }
    }
    return text.isEmpty();
}

std::function<void(QDialog&)> save_amount(const QString& amount) {
    return [amount](QDialog& w) {
        w.findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(amount);
        w.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    };
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

    QStringList corpus_;
    std::unique_ptr<TestHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<tavrelis::platform::RecordingUi> ui_;
    std::unique_ptr<tavrelis::platform::UiScope> scope_;
    std::unique_ptr<QTemporaryDir> exports_;

    int n() const { return int(corpus_.size()); }
    const QString& entry(int i) const { return corpus_[i % n()]; }

    QString settings_file() const { return host_->dir() + "/appdata/V2_Payments/V2_payments.ini"; }
    HostState state() const { return capture_host(host_->settlements_file(), settings_file()); }

    // Every order as the database holds it: by oper_id, each column by name.
    QHash<QString, QHash<QString, QString>> orders() const {
        const HostState s = state();
        QHash<QString, QHash<QString, QString>> out;
        for (const HostState::Row& r : s.payments) {
            QHash<QString, QString> o;
            for (const QString& c : s.payment_columns)
                o.insert(c, column(s, r, c));
            out.insert(o.value(QStringLiteral("oper_id")), o);
        }
        return out;
    }

    // The formation window as the entry method shows it: settings read, req1 run.
    Form1& open_formation() {
        Form1& f1 = form1();
        const SettingsPaths paths = settings_paths();
        f1.S = paths.S;
        f1.bez = paths.bez;
        f1.Text1->setText(settings_startup(paths));
        f1.exiter = true;
        f1.req1(fd::kReportSet);
        return f1;
    }

    // The taxpayer of report set 1 and what every host of this test has: the accrual kinds,
    // the receiver requisites of the taxpayer for the pre-check, an old order and an accrual
    // of another period that no run may touch.
    void common_rows(const QString& taxpayer_short, const QString& taxpayer_full) {
        QVERIFY(insert_rows(host_->taxpayer_file(),
                            "insert into legalperson (id,inn,kpp,fullname,shortname) values "
                            "(100,?,?,?,?)",
                            {{fd::kInn, fd::kKpp, taxpayer_full, taxpayer_short}}));
        QVERIFY(host_->taxpayer("insert into accstream (id,personid) values (1,10);"
                                "insert into person (id,type,personrealid) values (10,2,100);"
                                "insert into report_time (report_id,report_name) values (2,'к');"));
        QVERIFY(host_->settlements(
            "insert into fsk_actions (act_id,act_prim_id,CardPart_ID) values (41,4,1),(62,1,1);"
            "insert into requisites (self_inn,self_kpp,kbk,receiver,inn,kpp,okato,bik,bank,rs,"
            "ks) values ('7701000001','770101001','','УФК','7701107259','770101001',"
            "'45286555000','044583001','Банк','40101810800000010041','');"
            "insert into self_requisites (inn,kpp,sender,okato,bik,bank,rs,ks,closed) values "
            "('7701000001','770101001','ООО','45286560000','044525225','ПАО Банк',"
            "'40702810938000000001','30101810400000000225',0);"
            "insert into fsk_cardlist (card_id,accstream_id,taxcode) values (1,1,'101');"
            "insert into fsk_operations (oper_id,card_id,deleted,act_id,term_day,summa,"
            "period_name) values (1,1,0,41,'2026-05-14',5,'I квартал 2026');"));
        fd::StoredOrder old;
        old.oper_id = 1;
        QVERIFY(fd::add_stored_order(*host_, old));
    }

    // Exports the current row and returns the file's text; the file is removed afterwards so
    // that the next order may take the same name.
    QString export_row(int r) {
        Form2& f2 = form2();
        f2.current_row = r;
        f2.Check3->setChecked(true);
        f2.Check2->setChecked(false);
        save_data(true, false);
        const QString path = export_file_name();
        const QByteArray bytes = testsupport::read_file(path);
        QFile::remove(path);
        return from_cp1251_file(bytes);
    }

    // The differences of two states outside the orders and operations a run was meant to
    // write: every row of payments but those of `written`, and every operation that was there.
    static void untouched(Mismatches& m, const HostState& before, const HostState& after,
                          const QSet<QString>& written) {
        const auto rows = [&written](const HostState& s) {
            QMap<QString, QString> out;
            for (const HostState::Row& r : s.payments) {
                const QString id = column(s, r, QStringLiteral("oper_id"));
                if (!written.contains(id))
                    out.insert(id, r.join(u'|'));
            }
            return out;
        };
        if (rows(before) != rows(after))
            m.fail(QStringLiteral("orders outside the run changed"));
        for (auto it = before.operations.cbegin(); it != before.operations.cend(); ++it)
            if (after.operations.value(it.key()) != it.value())
                m.fail(QStringLiteral("operation %1 changed").arg(it.key()));
        for (const QString& v : invariant_violations(before, after))
            m.fail(v);
    }

    // Every branch of the taxpayer (report set 100 + i) carries entries in its name, its
    // receiver's name and bank, and its own name and bank; one accrual each (oper_id
    // 10000 + i) in the second quarter. Every fifth branch is a natural person, whose KPP
    // reads as 0.
    static bool natural(int i) { return i % 5 == 4; }
    QString branch_kpp(int i) const { return natural(i) ? QStringLiteral("0") : org_kpp(i); }
    // The branch's entry in "Организации".
    QString branch_name(int i) const {
        return QStringLiteral("--->") +
               (natural(i) ? entry(i) + QStringLiteral(" Иван ") + entry(i + 5) : entry(i));
    }

    void organisations_host() {
        common_rows(entry(0), entry(1));
        QVERIFY(host_->taxpayer("insert into time_by_month (TIME_ID,REPORT_ID,name,the_year) "
                                "values (2,2,'II квартал',2026);"
                                "insert into nsi_taxlist (tax_code,tax_name,big_code) values "
                                "('101','Налог на прибыль','18210101011011000110');"));
        QList<QVariantList> legal, natural_person, person, stream, branch, card, accrual, receiver,
            own;
        for (int i = 0; i < n(); ++i) {
            // Every other legal person is named by its full name, its short name left empty.
            const bool by_short = i % 2 == 0;
            if (natural(i)) {
                natural_person.append(
                    {3000 + i, org_inn(i), entry(i), QStringLiteral("Иван"), entry(i + 5)});
                person.append({1000 + i, 1, 3000 + i});
            } else {
                legal.append({2000 + i, org_inn(i), org_kpp(i),
                              by_short ? QStringLiteral("полное") : entry(i),
                              by_short ? entry(i) : QString()});
                person.append({1000 + i, 2, 2000 + i});
            }
            stream.append({100 + i, 1000 + i});
            branch.append({10, 1000 + i});
            card.append({100 + i, 100 + i, QStringLiteral("101")});
            accrual.append(
                {10000 + i, 100 + i, 41, QStringLiteral("2026-05-14"), 100.0 + i, kPeriod});
            receiver.append({org_inn(i), branch_kpp(i), entry(i), QStringLiteral("7701107259"),
                             QStringLiteral("770101001"), QStringLiteral("45286555000"),
                             QStringLiteral("044583001"), entry(i + 1),
                             QStringLiteral("40101810800000010041"), QString()});
            own.append({org_inn(i), branch_kpp(i), entry(i + 2), QStringLiteral("45286560000"),
                        QStringLiteral("044525225"), entry(i + 3),
                        QStringLiteral("40702810938000000001"),
                        QStringLiteral("30101810400000000225")});
        }
        const QString tp = host_->taxpayer_file(), st = host_->settlements_file();
        QVERIFY(insert_rows(
            tp, "insert into legalperson (id,inn,kpp,fullname,shortname) values (?,?,?,?,?)",
            legal));
        QVERIFY(
            insert_rows(tp, "insert into person (id,type,personrealid) values (?,?,?)", person));
        QVERIFY(insert_rows(tp,
                            "insert into naturalperson (id,inn,surname,name,patronymic) values "
                            "(?,?,?,?,?)",
                            natural_person));
        QVERIFY(insert_rows(tp, "insert into accstream (id,personid) values (?,?)", stream));
        QVERIFY(insert_rows(tp, "insert into branches (parentpersonid,childpersonid) values (?,?)",
                            branch));
        QVERIFY(insert_rows(
            st, "insert into fsk_cardlist (card_id,accstream_id,taxcode) values (?,?,?)", card));
        QVERIFY(insert_rows(
            st,
            "insert into fsk_operations "
            "(oper_id,card_id,deleted,act_id,term_day,summa,period_name) values (?,?,0,?,?,?,?)",
            accrual));
        QVERIFY(insert_rows(
            st,
            "insert into requisites (self_inn,self_kpp,kbk,receiver,inn,kpp,okato,bik,bank,rs,ks) "
            "values (?,?,'',?,?,?,?,?,?,?,?)",
            receiver));
        QVERIFY(
            insert_rows(st,
                        "insert into self_requisites (inn,kpp,sender,okato,bik,bank,rs,ks,closed) "
                        "values (?,?,?,?,?,?,?,?,0)",
                        own));
    }

    // What order 10000 + i of the organisations host carries, by the list column it shows in.
    QList<QPair<int, QString>> branch_texts(int i) const {
        return {{4, entry(i)},
                {12, entry(i + 1)},
                {13, entry(i + 2)},
                {20, entry(i + 3)},
                {25, kTaxName + " за " + kPeriod}};
    }

private slots:
    void initTestCase() {
        QString error;
        corpus_ = corpus(&error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void init() {
        tavrelis::platform::set_today(fd::kToday);
        host_ = std::make_unique<TestHost>();
        exports_ = std::make_unique<QTemporaryDir>();
        session_ = std::make_unique<Session>();
        ui_ = std::make_unique<tavrelis::platform::RecordingUi>();
        scope_ = std::make_unique<tavrelis::platform::UiScope>(*ui_);
    }

    void cleanup() {
        tavrelis::platform::set_factory(nullptr);
        tavrelis::platform::set_print_folder(QString());
        scope_.reset();
        ui_.reset();
        session_.reset();
        host_.reset();
        exports_.reset();
        tavrelis::platform::set_today(QDate());
    }

    // --- the corpus --------------------------------------------------------------------------

    void escapes_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "a'b"
                               << "a'b";
        QTest::newRow("backslash") << "C:\\\\ПП"
                                   << "C:\\ПП";
        QTest::newRow("controls") << "a\\r\\n\\tb"
                                  << "a\r\n\tb";
        QTest::newRow("blanks") << "\\sa\\s"
                                << " a ";
        QTest::newRow("hash") << "\\#1"
                              << "#1";
        QTest::newRow("code point") << "\\u{1F600}\\u{A0}" << QStringLiteral("😀\u00A0");
        QTest::newRow("empty") << "\\empty"
                               << "";
        QTest::newRow("repeat") << "\\repeat{5}ab"
                                << "ababa";
        QTest::newRow("repeat by code points") << "\\repeat{3}😀" << QStringLiteral("😀😀😀");
    }
    void escapes() {
        QFETCH(QString, line);
        QFETCH(QString, text);
        QString out, error;
        QVERIFY2(decode_line(line, &out, &error), qPrintable(error));
        QCOMPARE(out, text);
    }

    void malformed_lines_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("unknown escape") << "a\\qb";
        QTest::newRow("trailing backslash") << "a\\";
        QTest::newRow("literal trailing blank") << "a ";
        QTest::newRow("literal leading blank") << " a";
        QTest::newRow("bad code point") << "\\u{110000}";
        QTest::newRow("bad repeat") << "\\repeat{x}a";
    }
    void malformed_lines() {
        QFETCH(QString, line);
        QString out, error;
        QVERIFY(!decode_line(line, &out, &error));
        QVERIFY(!error.isEmpty());
    }

    // The corpus holds at least one entry of every kind the module must survive.
    void corpus_has_data() {
        QTest::addColumn<QString>("kind");
        for (const char* k : {"apostrophe first",
                              "apostrophe inside",
                              "apostrophe last",
                              "only apostrophes",
                              "drop table",
                              "ampersand",
                              "less than",
                              "greater than",
                              "escaped entity",
                              "guillemets",
                              "Ё",
                              "ё",
                              "№",
                              "em dash",
                              "euro",
                              "no windows-1251 code",
                              "emoji",
                              "tab",
                              "CR",
                              "LF",
                              "leading blank",
                              "trailing blank",
                              "empty",
                              "1000 characters"})
            QTest::newRow(k) << QString::fromUtf8(k);
    }
    void corpus_has() {
        QFETCH(QString, kind);
        const QHash<QString, std::function<bool(const QString&)>> is{
            {"apostrophe first",
             [](const QString& s) { return s.size() > 1 && s.startsWith(u'\''); }},
            {"apostrophe inside",
             [](const QString& s) { return s.indexOf(u'\'', 1) > 0 && !s.endsWith(u'\''); }},
            {"apostrophe last", [](const QString& s) { return s.size() > 1 && s.endsWith(u'\''); }},
            {"only apostrophes",
             [](const QString& s) { return !s.isEmpty() && s.count(u'\'') == s.size(); }},
            {"drop table", [](const QString& s) { return s == "'; drop table payments; --"; }},
            {"ampersand", [](const QString& s) { return s.contains(u'&'); }},
            {"less than", [](const QString& s) { return s.contains(u'<'); }},
            {"greater than", [](const QString& s) { return s.contains(u'>'); }},
            {"escaped entity", [](const QString& s) { return s.contains("&amp;"); }},
            {"guillemets", [](const QString& s) { return s.contains(u'«') && s.contains(u'»'); }},
            {"Ё", [](const QString& s) { return s.contains(u'Ё'); }},
            {"ё", [](const QString& s) { return s.contains(u'ё'); }},
            {"№", [](const QString& s) { return s.contains(u'№'); }},
            {"em dash", [](const QString& s) { return s.contains(u'—'); }},
            {"euro", [](const QString& s) { return s.contains(u'€'); }},
            {"no windows-1251 code", [](const QString& s) { return s.contains(u'✓'); }},
            {"emoji", [](const QString& s) { return s.contains(QStringLiteral("😀")); }},
            {"tab", [](const QString& s) { return s.contains(u'\t'); }},
            {"CR", [](const QString& s) { return s.contains(u'\r'); }},
            {"LF", [](const QString& s) { return s.contains(u'\n'); }},
            {"leading blank", [](const QString& s) { return s.startsWith(u' '); }},
            {"trailing blank", [](const QString& s) { return s.endsWith(u' '); }},
            {"empty", [](const QString& s) { return s.isEmpty(); }},
            {"1000 characters", [](const QString& s) { return s.toUcs4().size() >= 1000; }},
        };
        QVERIFY(is.contains(kind));
        QVERIFY2(std::any_of(corpus_.cbegin(), corpus_.cend(), is[kind]), qPrintable(kind));
        QVERIFY(corpus_.size() >= 200);
    }

    // --- organisations: one branch per entry ---------------------------------------------------

    // Every branch of the taxpayer carries entries in its name (short, full, or a natural
    // person's), its receiver's name and bank, and its own name and bank; one accrual each.
    // One forming forms them all; the list and the editor then work over every order.
    void organisations() {
        organisations_host();
        const HostState before = state();

        Mismatches m;
        Form1& f1 = open_formation();
        QCOMPARE(ui_->texts(), QStringList());
        QCOMPARE(f1.List1->count(), n() + 1);
        m.expect("taxpayer in the list", entry(0), f1.List1->item(0)->text());
        for (int i = 0; i < n(); ++i)
            m.expect(QStringLiteral("branch %1 in the list").arg(i), branch_name(i),
                     f1.List1->item(i + 1)->text());

        Command2_Click();
        QCOMPARE(ui_->texts(), QStringList());
        Form2& f2 = form2();
        QCOMPARE(f2.L1->topLevelItemCount(), n());

        const auto expected = [this](int i) { return branch_texts(i); };
        const QStringList names{
            {}, {}, {}, {}, "receiver",    {}, {}, {}, {}, {},   {}, {}, "bank", "sender", {}, {},
            {}, {}, {}, {}, "bank_sender", {}, {}, {}, {}, "aim"};
        const auto check_list = [&](const QString& when) {
            const auto stored_orders = orders();
            for (int r = 0; r < f2.L1->topLevelItemCount(); ++r) {
                QTreeWidgetItem* row = f2.L1->topLevelItem(r);
                const int i = row->text(29).toInt() - 10000;
                const QHash<QString, QString> stored = stored_orders.value(row->text(29));
                for (const auto& [col, text] : expected(i)) {
                    m.expect(QStringLiteral("%1, order %2, column %3").arg(when).arg(i).arg(col),
                             text, row->text(col));
                    m.expect(
                        QStringLiteral("%1, order %2, stored %3").arg(when).arg(i).arg(names[col]),
                        text, stored.value(names[col]));
                }
            }
        };
        check_list(QStringLiteral("formed"));

        f2.refresh_list();
        QCOMPARE(ui_->texts(), QStringList());
        QCOMPARE(f2.L1->topLevelItemCount(), n());
        check_list(QStringLiteral("refreshed"));

        // The editor rewrites every column of the order from the list row.
        for (int r = 0; r < n(); ++r) {
            f2.L1->setCurrentItem(f2.L1->topLevelItem(r));
            ui_->on_show.push_back(save_amount(QStringLiteral("55,5")));
            edit_payment();
        }
        QCOMPARE(ui_->texts(), QStringList());
        check_list(QStringLiteral("edited"));
        const auto edited = orders();
        for (int i = 0; i < n(); ++i)
            m.expect(QStringLiteral("edited amount %1").arg(i), "55,50",
                     edited.value(QString::number(10000 + i)).value("sum"));

        QSet<QString> written;
        for (int i = 0; i < n(); ++i)
            written.insert(QString::number(10000 + i));
        untouched(m, before, state(), written);
        QVERIFY2(m.empty(), qPrintable(m.report()));
    }

    // --- taxes and periods: one tax and one period per entry -----------------------------------

    // The taxpayer has a tax named by every entry and a period named by every other; each
    // pair has one accrual. A forming per pair (the choices are the user's, so each run is
    // one tax and one period) writes the purpose text from both names; the order is then
    // exported and posted, and the payment carries the period's name.
    void taxes_and_periods() {
        common_rows(entry(n() - 1), entry(n() - 2));
        QList<QVariantList> period, tax, card, accrual;
        for (int i = 0; i < n(); ++i) {
            period.append({i + 1, 2, entry(i), 2026});
            tax.append(
                {1000 + i, entry(i + 7), QStringLiteral("182%1").arg(i, 17, 10, QLatin1Char('0'))});
            card.append({100 + i, 1, QString::number(1000 + i)});
            accrual.append({20000 + i, 100 + i, 41, QStringLiteral("2026-05-14"), 10.0 + i,
                            entry(i) + QStringLiteral(" 2026")});
        }
        const QString tp = host_->taxpayer_file(), st = host_->settlements_file();
        QVERIFY(insert_rows(
            tp, "insert into time_by_month (TIME_ID,REPORT_ID,name,the_year) values (?,?,?,?)",
            period));
        QVERIFY(insert_rows(
            tp, "insert into nsi_taxlist (tax_code,tax_name,big_code) values (?,?,?)", tax));
        QVERIFY(insert_rows(
            st, "insert into fsk_cardlist (card_id,accstream_id,taxcode) values (?,?,?)", card));
        QVERIFY(insert_rows(
            st,
            "insert into fsk_operations "
            "(oper_id,card_id,deleted,act_id,term_day,summa,period_name) values (?,?,0,?,?,?,?)",
            accrual));
        const HostState before = state();

        Mismatches m;
        Form1& f1 = open_formation();
        QCOMPARE(ui_->texts(), QStringList());
        m.expect("taxpayer in the list", entry(n() - 1), f1.List1->item(0)->text());
        QCOMPARE(f1.Combo2->count(), n());
        QCOMPARE(f1.Combo3->count(), n());
        Form2& f2 = form2();
        form4().up_path = exports_->path();
        QStringList aims;
        for (int i = 0; i < n(); ++i) {
            const int tax_pos = int(f1.ids_kbk.indexOf(QString::number(1000 + i)));
            QVERIFY(tax_pos >= 0);
            f1.Combo1->setCurrentIndex(tax_pos);
            f1.Combo3->setCurrentIndex(n() - 1 - i); // newest first
            const QString period_text = entry(i) + QStringLiteral(" 2026");
            m.expect(QStringLiteral("tax %1 in the list").arg(i), entry(i + 7),
                     f1.Combo2->currentText());
            m.expect(QStringLiteral("period %1 in the list").arg(i), period_text,
                     f1.Combo3->currentText());
            const QString aim = entry(i + 7) + QStringLiteral(" за ") + period_text;
            m.expect(QStringLiteral("purpose %1").arg(i), aim, f1.Text2->text());
            aims.append(aim);
            f1.Text1->setText(QStringLiteral("1"));

            sluj1();
            if (f2.L1->topLevelItemCount() != 1) {
                m.fail(QStringLiteral("run %1 formed %2 orders")
                           .arg(i)
                           .arg(f2.L1->topLevelItemCount()));
                continue;
            }
            m.expect(QStringLiteral("order %1, column 25").arg(i), aim, f2.cell(1, 25));
            m.expect(QStringLiteral("order %1, <payment_aim>").arg(i),
                     xml_escaped(through_cp1251(aim)), element(export_row(1), "payment_aim"));
            f2.Check3->setChecked(false);
            f2.Check2->setChecked(true);
            save_data(true, true);
        }
        QCOMPARE(ui_->texts(), QStringList());

        const auto stored = orders();
        const HostState after = state();
        QHash<QString, QString> posted_period; // by card
        for (auto it = after.operations.cbegin(); it != after.operations.cend(); ++it)
            if (!before.operations.contains(it.key()))
                posted_period.insert(column(after, *it, "card_id"),
                                     column(after, *it, "period_name"));
        QCOMPARE(posted_period.size(), n());
        for (int i = 0; i < n(); ++i) {
            m.expect(QStringLiteral("stored purpose %1").arg(i), aims[i],
                     stored.value(QString::number(20000 + i)).value("aim"));
            m.expect(QStringLiteral("period of payment %1").arg(i),
                     entry(i) + QStringLiteral(" 2026"),
                     posted_period.value(QString::number(100 + i)));
        }
        QSet<QString> written;
        for (int i = 0; i < n(); ++i)
            written.insert(QString::number(20000 + i));
        untouched(m, before, after, written);
        QVERIFY2(m.empty(), qPrintable(m.report()));
    }

    // --- the runs of "Выполнить" ------------------------------------------------------------

    // Every order at once through an export run, a posting run, a print run with preview and
    // a print run to PDF. The export file holds each text escaped, "?" for what windows-1251
    // cannot hold; the posting adds one payment per order and changes nothing else. The
    // preview and the printed sheet show each text as the template takes it ("&" a blank,
    // "?" likewise) and as the word processor shows it (a character XML forbids a blank).
    void runs() {
        organisations_host();
        const QString pdfs = exports_->filePath(QStringLiteral("printed"));
        tavrelis::platform::set_print_folder(pdfs);
        open_formation();
        Command2_Click();
        QCOMPARE(ui_->texts(), QStringList());
        const HostState before = state();
        Form2& f2 = form2();
        form4().up_path = exports_->filePath(QStringLiteral("xml"));
        QCOMPARE(f2.L1->topLevelItemCount(), n());
        const auto run = [&](bool print, bool preview, bool xml, bool post) {
            ui_->boxes.clear();
            f2.Check4->setChecked(print);
            f2.Check1->setChecked(preview);
            f2.Check3->setChecked(xml);
            f2.Check2->setChecked(post);
            f2.Command5_Click();
            Command10_Click();
        };
        // The file of order i among those of a run, named after its payer's INN.
        const auto file_of = [](const QString& folder, int i, const char* extension) {
            const QStringList found = QDir(folder).entryList(
                {org_inn(i) + QStringLiteral("_N*.") + QLatin1String(extension)}, QDir::Files);
            return found.size() == 1 ? QDir(folder).filePath(found[0]) : QString();
        };
        const QList<QPair<const char*, int>> fields{{"receiver", 4},
                                                    {"bank", 12},
                                                    {"sender", 13},
                                                    {"bank_sender", 20},
                                                    {"payment_aim", 25}};
        const auto text_of = [this](int i, int column) {
            for (const auto& [col, text] : branch_texts(i))
                if (col == column)
                    return text;
            return QString();
        };
        Mismatches m;

        ui_->answers.push_back(platform::vbNo);
        run(false, false, true, false);
        QCOMPARE(ui_->texts(), QStringList{QStringLiteral(
                                   "Выгрузка в XML успешно выполнена. Открыть папку, содержащую "
                                   "выгруженные документы?")});
        for (int i = 0; i < n(); ++i) {
            const QString xml =
                from_cp1251_file(testsupport::read_file(file_of(form4().up_path, i, "xml")));
            if (!xml.startsWith(R"(<?xml version="1.0" encoding="windows-1251" standalone="no"?>)"
                                "\r\n<Document>\r\n") ||
                !xml.endsWith("</Document>\r\n")) {
                m.fail(QStringLiteral("order %1: no whole export file").arg(i));
                continue;
            }
            for (const auto& [name, col] : fields)
                m.expect(QStringLiteral("order %1, <%2>").arg(i).arg(QLatin1String(name)),
                         xml_escaped(through_cp1251(text_of(i, col))), element(xml, name));
        }

        run(false, false, false, true);
        QCOMPARE(ui_->texts(),
                 QStringList{QStringLiteral("Проведено %1 операций уплаты в %1 карточек расчета "
                                            "с бюджетом")
                                 .arg(n())});
        QCOMPARE(state().operations.size(), before.operations.size() + n());

        // Each preview is read while it is shown; no sheet is printed.
        QHash<int, QString> previews;
        for (int k = 0; k < n(); ++k)
            ui_->on_show.push_back([&](QDialog& w) {
                previews.insert(f2.cell(f2.current_row, 29).toInt() - 10000,
                                QString::fromUtf8(testsupport::read_file(preview_file())));
                w.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
            });
        run(true, true, false, false);
        QCOMPARE(ui_->texts(), QStringList());
        QCOMPARE(previews.size(), n());
        QVERIFY(!QDir(pdfs).exists());

        run(true, false, false, false);
        QCOMPARE(ui_->texts(), QStringList());
        QCOMPARE(QDir(pdfs).entryList(QDir::Files).size(), n());
        const auto stored = orders();
        for (int i = 0; i < n(); ++i) {
            const auto o = stored.value(QString::number(10000 + i));
            m.expect(QStringLiteral("order %1 printed").arg(i), "1", o.value("print_done"));
            QTextDocument preview;
            preview.setHtml(previews.value(i));
            const QString on_screen = normalised(preview.toPlainText(), true);
            QStringList sheet = testsupport::pdf_text(file_of(pdfs, i, "pdf")).split(u'\f');
            for (QString& page : sheet)
                page = normalised(page, false);
            for (const auto& [name, col] : fields) {
                const QString text = printed(text_of(i, col));
                if (!on_screen.contains(normalised(text, true)))
                    m.fail(QStringLiteral("order %1, %2 not in the preview: %3")
                               .arg(i)
                               .arg(QLatin1String(name), shown(text)));
                if (!on_sheet(sheet, normalised(text, false)))
                    m.fail(QStringLiteral("order %1, %2 not on the printed sheet: %3")
                               .arg(i)
                               .arg(QLatin1String(name), shown(text)));
            }
        }

        QSet<QString> written;
        for (int i = 0; i < n(); ++i)
            written.insert(QString::number(10000 + i));
        untouched(m, before, state(), written);
        QVERIFY2(m.empty(), qPrintable(m.report()));
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
