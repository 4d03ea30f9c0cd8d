// The formed-orders window as the user works it: the editor's amount ready for typing, the
// keyboard, and what the window says about the list and the runs.

#include "common/form4.h"
#include "common/form6.h"
#include "common/settings.h"
#include "common/shared.h"
#include "forming/form1.h"
#include "output/bank_upload.h"
#include "output/export_run.h"
#include "output/form2.h"
#include "output/form3.h"
#include "output/form5.h"
#include "output/form7.h"
#include "output/upload_journal.h"
#include "platform/durable_file.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/objects.h"
#include "platform/recording_ui.h"
#include "platform/shell.h"
#include "platform/spreadsheet.h"
#include "platform/word.h"
#include "support/cases.h"
#include "support/forming_data.h"
#include "support/support.h"
#include "support/window_fixture.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

using namespace tavrelis;
using testsupport::forming::StoredOrder;

Q_DECLARE_METATYPE(tavrelis::RunOutcome)

class TestForm2 : public QObject {
    Q_OBJECT
    testsupport::WindowFixture fx_;

    // Stored orders of these accruals, 1 234,50 each unless given, the second printed as 15
    // and posted.
    Form2& list(const QList<int>& ids, const QStringList& sums = {}) {
        for (int i = 0; i < ids.size(); ++i) {
            StoredOrder o;
            o.oper_id = ids[i];
            o.sum = i < sums.size() ? sums[i] : QStringLiteral("1 234,50");
            o.number = QStringLiteral("15");
            o.print_done = o.payment_done = i == 1;
            if (!add_stored_order(fx_.host(), o))
                qFatal("no stored order");
        }
        shared().my_color = 0xC0C000;
        return fx_.list(ids);
    }

    // Orders ticked for a run into the folders of `out`.
    Form2& run_ready(const QTemporaryDir& out, const QList<int>& ids = {1, 2}) {
        Form2& f2 = list(ids);
        f2.Command5_Click();
        shared().up_path = out.filePath(QStringLiteral("Выгрузка"));
        shared().nomer = QStringLiteral("1");
        form1().emp = false;
        platform::set_print_folder(out.filePath(QStringLiteral("pdf")));
        return f2;
    }

    // A row of the bank upload journal: the order of oper_id sent (state 2) or being sent
    // (state 1) under a number, by the session of owner.
    static void journal(int oper_id, const QString& number, int state, const QString& created,
                        const QString& owner = QStringLiteral("o")) {
        ensure_upload_journal(shared().cnn);
        shared().cnn.execute(
            "insert into bank_uploads (oper_id,number_,sum,payment_date,file_name,file_hash,"
            "created,owner,claimed_utc,state) values (?,?,'1,00','05.12.2026',"
            "'/export/to_bank_1.txt','h',?,?,?,?)",
            {oper_id, number, created, owner,
             QDateTime::currentDateTimeUtc().toString("yyyy-MM-dd hh:mm:ss"), state});
    }

    struct NoFileManager : platform::FolderOpener {
        bool open_folder(const QString&) override { return false; }
    };

    // The host's objects, its word processor counting the times it is told to quit and the
    // documents it then still has open, its spreadsheet program of a version given.
    struct CountingQuits : platform::ObjectFactory {
        platform::ObjectFactory& host = platform::factory();
        int quits = 0, open = 0, left_open = 0;
        QString spreadsheet_version; // the spreadsheet program's, when not the stand-in's
        std::unique_ptr<platform::Spreadsheet> create_spreadsheet() override {
            struct Other : platform::Spreadsheet {
                QString version;
                QString Version() const override { return version; }
            };
            if (spreadsheet_version.isEmpty())
                return host.create_spreadsheet();
            auto other = std::make_unique<Other>();
            other->version = spreadsheet_version;
            return other;
        }
        std::unique_ptr<platform::VersionInfo> create_version() override {
            return host.create_version();
        }
        std::unique_ptr<platform::WorkCalendar> create_calendar() override {
            return host.create_calendar();
        }
        std::unique_ptr<platform::WordApplication> create_word() override {
            using namespace platform;
            struct Document : WordDocument {
                WordDocument* d;
                int& open;
                Document(WordDocument* d, int& open) : d(d), open(++open) {}
                void Activate() override { d->Activate(); }
                void Close() override { --open, d->Close(); }
            };
            struct Word : WordApplication {
                std::unique_ptr<WordApplication> w;
                CountingQuits& f;
                std::vector<std::unique_ptr<Document>> docs;
                Word(std::unique_ptr<WordApplication> w, CountingQuits& f)
                    : w(std::move(w)), f(f) {}
                QString Version() const override { return w->Version(); }
                WordDocument* Documents_Add(const QString& t) override {
                    return docs.emplace_back(new Document(w->Documents_Add(t), f.open)).get();
                }
                void run(const QString& m, const QString& a) override { w->run(m, a); }
                void PrintOut() override { w->PrintOut(); }
                void Quit() override { ++f.quits, f.left_open += f.open, w->Quit(); }
                void set_print_name(const QString& n, const QString& d) override {
                    w->set_print_name(n, d);
                }
                Printout last_printout() const override { return w->last_printout(); }
            };
            return std::make_unique<Word>(host.create_word(), *this);
        }
    };

private slots:
    void init() { fx_.init(); }
    void cleanup() {
        platform::set_print_folder(QString());
        fx_.cleanup();
    }

    void status_texts_data() {
        columns<RunOutcome, QString>(); // run, status
        const RunOutcome pdf{.sheets = 3, .pdf_folder = "/home/a/ПП"},
            printer{.sheets = 1, .printer = "HP"};
        row("PDF", pdf, "Напечатано 3 листа: PDF в папке /home/a/ПП");
        row("printer", printer, "Напечатано 1 лист на принтере HP");
        row("XML", RunOutcome{.files = 5, .files_folder = "/x"},
            "Выгружено в XML: 5 файлов в папке /x");
        row("all three",
            RunOutcome{.sheets = 3,
                       .pdf_folder = "/home/a/ПП",
                       .files = 21,
                       .files_folder = "/x",
                       .posting = true,
                       .operations = 21,
                       .cards = 2},
            "Напечатано 3 листа: PDF в папке /home/a/ПП; Выгружено в XML: 21 файл в папке /x; "
            "Проведено операций уплаты: 21, карточек расчета с бюджетом: 2");
        row("cancelled", RunOutcome{.sheets = 1, .printer = "HP", .cancelled = true},
            "Печать отменена; Напечатано 1 лист на принтере HP");
        row("nothing", RunOutcome{}, "Ничего не напечатано и не выгружено");
    }
    void status_texts() {
        auto [run, status] = fetch<RunOutcome, QString>();
        QCOMPARE(run_status(run), status);
    }

    void ticked_total_follows_the_ticks() {
        Form2& f2 = list({1, 2, 3}, {"100 000,00", "163 950,62", "оши,бка"});
        f2.show();
        QCOMPARE(f2.Label2->text(), QStringLiteral("Отмечено: 0 на сумму 0,00"));
        QSignalSpy repainted(&f2.orders(), &QAbstractItemModel::dataChanged);
        f2.Command5->click();
        QCOMPARE(f2.Label2->text(), QStringLiteral("Отмечено: 3 на сумму 263 950,62"));
        QCOMPARE(repainted.value(0).value(0).toModelIndex(), f2.orders().index(0, 0)); // the ticks'
        QCOMPARE(repainted.value(0).value(1).toModelIndex(), f2.orders().index(2, 0)); // column
        f2.L1->setCurrentIndex(f2.orders().index(1, 3));
        QTest::keyClick(f2.L1, Qt::Key_Space);
        QCOMPARE(f2.Label2->text(), QStringLiteral("Отмечено: 2 на сумму 100 000,00"));
        QTest::keyClick(f2.L1, Qt::Key_Space);
        QCOMPARE(f2.Label2->text(), QStringLiteral("Отмечено: 3 на сумму 263 950,62"));
        f2.set_cell(2, Field::Sum, QStringLiteral("1,00")); // as the editor saves it
        QCOMPARE(f2.Label2->text(), QStringLiteral("Отмечено: 3 на сумму 100 001,00"));
        f2.Command6->click();
        QCOMPARE(f2.Label2->text(), QStringLiteral("Отмечено: 0 на сумму 0,00"));
        Order formed; // as a forming adds it, ticked
        formed[Field::Sum] = QStringLiteral("5,00");
        formed.ticked = true;
        formed_orders().append(formed);
        QCOMPARE(f2.Label2->text(), QStringLiteral("Отмечено: 1 на сумму 5,00"));
        form1().exiter = false; // as a forming leaves it
        f2.Command8->click();   // «Выход» ends the work, keeping no orders for another time
        QVERIFY(!f2.isVisible() && form1().exiter);
        QCOMPARE(f2.row_count(), 0);
    }

    // A row keeps its texts packed; whatever went in comes back, a broken pair included, and
    // then what is written over it.
    void row_gives_back_its_texts_data() {
        QTest::addColumn<QString>("text");
        const QChar high(0xD835), low(0xDC00);
        QTest::newRow("cyrillic") << QStringLiteral("УФК по г. Москве «№ 1»");
        QTest::newRow("pair") << QString(high) + low;
        QTest::newRow("high at the end") << QStringLiteral("ООО ") + high;
        QTest::newRow("low alone") << QString(low) + QStringLiteral("Банк");
        QTest::newRow("high in the middle") << QStringLiteral("а") + high + QStringLiteral("б");
        QTest::newRow("empty") << QString();
    }
    void row_gives_back_its_texts() {
        QFETCH(QString, text);
        OrderList& list = formed_orders();
        Order o;
        o[Field::Receiver] = text;
        o[Field::Aim] = QStringLiteral("после ") + text;
        o[Field::Sum] = QStringLiteral("1,00");
        const int row = list.append(o);
        QCOMPARE(list.text(row, Field::Receiver), text);
        QCOMPARE(list.text(row, Field::Aim), QStringLiteral("после ") + text);
        QCOMPARE(list.text(row, Field::Sum), QStringLiteral("1,00"));
        QCOMPARE(list.order(row).texts, o.texts);
        Order plain;
        plain[Field::Receiver] = QStringLiteral("Банк");
        QSignalSpy repainted(&list, &QAbstractItemModel::dataChanged);
        list.set_order(row, plain);
        QCOMPARE(list.order(row).texts, plain.texts);
        const auto from = repainted.value(0).value(0).toModelIndex(),
                   to = repainted.value(0).value(1).toModelIndex(); // the whole row
        QCOMPARE(QList<int>({from.row(), from.column(), to.row(), to.column()}),
                 QList<int>({row, 0, row, list.columnCount() - 1}));
        // Rows are 1-based in the window; none before the first or after the last.
        Form2& f2 = form2();
        for (const int r : {0, list.count() + 1}) {
            QCOMPARE(error_of([&] { f2.cell(r, Field::Sum); }) + u'|' +
                         error_of([&] { list.set_ticked(r - 1, true); }),
                     QStringLiteral("Index out of bounds|Index out of bounds"));
        }
    }

    void rows_say_what_happened() {
        Form2& f2 = list({1, 2});
        QAbstractItemModel& m = f2.orders();
        QAbstractItemModelTester model(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        // Every stored field comes back, the first and the last.
        QCOMPARE(f2.cell(1, Field::PaymentDate), QStringLiteral("01.04.2026"));
        QCOMPARE(f2.cell(1, Field::DocumentDate), QStringLiteral("01.04.2026"));
        QCOMPARE(m.data(m.index(0, 5), Qt::ToolTipRole).toString(),
                 QStringLiteral("Не напечатано; уплата не проведена"));
        QCOMPARE(m.data(m.index(1, 5), Qt::ToolTipRole).toString(),
                 QStringLiteral("Напечатано под номером 15; уплата проведена в карточку"));
        // Sent to the bank: the journal says when and in which file.
        journal(2, "15", 2, "05.12.2026 12:00:00");
        f2.refresh_list();
        QCOMPARE(m.data(m.index(1, 5), Qt::ToolTipRole).toString(),
                 QStringLiteral("Напечатано под номером 15; выгружено в банк 05.12.2026 12:00:00 "
                                "(файл to_bank_1.txt); уплата проведена в карточку"));
        QCOMPARE(
            m.data(m.index(0, column_of(Field::Sum)), Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignRight | Qt::AlignVCenter);
    }

    // However the host stored an amount, a flag or a key, the list reads it alike; a row it
    // cannot read ends the rebuild with the box naming step 4, the row shown as far as it got;
    // a bank journal it cannot read, step 5.
    void rebuild_reads_what_is_stored_data() {
        columns<QString, QString, QString, QString, QString,
                QString>(); // set, sum, words, number, box, date
        const QString words = QStringLiteral("Одна тысяча двести тридцать четыре рубля 50 копеек");
        const auto row = [](const char* name, const char* set, const QString& sum,
                            const QString& words, const char* number, const char* box = "",
                            const QString& date = QStringLiteral("01.04.2026")) {
            QTest::newRow(name) << set << sum << words << number << box << date;
        };
        row("grouped text", "sum='1 234,50'", "1 234,50", words, "1");
        row("point", "sum='1234.5'", "1234.5", words, "1");
        // A number given to the text column is kept as the engine writes it.
        row("real", "sum=0.1+0.2", "0.3", "Hоль рублей 30 копеек", "1");
        row("whole", "sum=21", "21", "Двадцать один рубль 00 копеек", "1");
        row("negative text", "sum='-5,05'", "-5,05", "Минус пять рублей 05 копеек", "1");
        row("no-break blank", "sum='1\u00A0000'", "1\u00A0000", "Одна тысяча рублей 00 копеек",
            "1");
        row("blank at the end", "sum='7 '", "7 ", "Семь рублей 00 копеек", "1");
        row("twelve digits", "sum='999 999 999 999,99'", "999 999 999 999,99",
            "Девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов "
            "девятьсот девяносто девять тысяч девятьсот девяносто девять рублей 99 копеек",
            "1");
        // The words reach to a trillion; past it they say so, once.
        row("thirteen digits, real", "sum=1e12", "1000000000000.0", "рублей 00 копеек", "1",
            "d_sumpro(5): Subscript out of range");
        row("thirteen digits", "sum='1000000000000'", "1000000000000", "рублей 00 копеек", "1",
            "d_sumpro(5): Subscript out of range");
        row("two blanks", "sum='1  000'", "1  000", "", "", "refresh_list(4): Type mismatch");
        row("word", "sum='сто'", "сто", "", "", "refresh_list(4): Type mismatch");
        row("null sum", "sum=null", "", "", "", "refresh_list(4): Invalid use of Null");
        row("printed, text flag", "print_done='1'", "1 234,50", words, "N15");
        row("flag of letters", "print_done='да'", "1 234,50", words, "",
            "refresh_list(4): Type mismatch");
        row("printed, real flag", "print_done=1.0", "1 234,50", words, "N15");
        row("number null", "print_done=1, number_=null", "1 234,50", words, "N");
        row("bank journal unreadable", "sum=sum; create table bank_uploads (oper_id)", "1 234,50",
            words, "1", "refresh_list(5): no such column");
        // A host that kept a date as a number: the number as text.
        row("date of a real", "document_date=0.1+0.2", "1 234,50", words, "1", "",
            QStringLiteral("0.30000000000000004"));
        row("date of minus zero", "document_date=-0.0", "1 234,50", words, "1", "",
            QStringLiteral("0"));
        row("date of a whole", "document_date=45000", "1 234,50", words, "1", "",
            QStringLiteral("45000"));
        row("date of a tiny real", "document_date=5e-324", "1 234,50", words, "1", "",
            QString::number(5e-324, 'f', QLocale::FloatingPointShortest));
        row("date of a huge real", "document_date=1e300", "1 234,50", words, "1", "",
            QStringLiteral("1") + QString(300, u'0'));
        // Bytes, as a blob: read as the UTF-8 they hold.
        row("date of bytes", "document_date=X'D0AF'", "1 234,50", words, "1", "",
            QStringLiteral("Я"));
    }
    void rebuild_reads_what_is_stored() {
        auto [set, sum, words, number, box, date] =
            fetch<QString, QString, QString, QString, QString, QString>();
        Form2& f2 = list({1});
        shared().last_number = 0;
        QVERIFY(fx_.host().settlements(QStringLiteral("update payments set %1;").arg(set)));
        fx_.ui().boxes.clear();
        f2.refresh_list();
        const QStringList said = fx_.ui().texts(); // with the rebuild, not when a row shows
        QCOMPARE(f2.row_count(), 1);
        QCOMPARE(f2.cell(1, Field::Sum), sum);
        QCOMPARE(f2.cell(1, Field::SumWords), words);
        QCOMPARE(f2.cell(1, Field::Number), number);
        QCOMPARE(f2.cell(1, Field::DocumentDate), date);
        // A row that fails on its amount has not come to its key.
        QCOMPARE(f2.cell(1, Field::OperId), words.isEmpty() ? QString() : QStringLiteral("1"));
        QCOMPARE(fx_.ui().texts(), said);
        QCOMPARE(said.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QVERIFY2(said[0].contains(box), qPrintable(said[0]));
    }

    // The rebuilt list keeps its own order and numbers its new orders in it, whatever order
    // the stored rows come in; an order gone from the store leaves the list.
    void rebuild_keeps_the_list_order_data() {
        columns<QList<int>, QStringList, QList<int>,
                QStringList>(); // stored, sums, listed, rows (oper_id:number:sum)
        const QStringList plain = {"1,00", "2,00", "3,00"};
        row("in key order", QList<int>{1, 2, 3}, plain, QList<int>{1, 2, 3},
            QStringList{"1:1:1,00", "2:2:2,00", "3:3:3,00"});
        row("out of key order", QList<int>{1, 2, 3}, plain, QList<int>{3, 1, 2},
            QStringList{"3:1:3,00", "1:2:1,00", "2:3:2,00"});
        row("one gone", QList<int>{1, 3}, plain, QList<int>{1, 2, 3},
            QStringList{"1:1:1,00", "3:2:2,00"});
        row("one not listed", QList<int>{1, 2, 3}, plain, QList<int>{1, 3},
            QStringList{"1:1:1,00", "3:2:3,00"});
        row("the last one unusual", QList<int>{1, 2, 3}, QStringList{"1,00", "2,00", "3\u00A0000"},
            QList<int>{1, 2, 3}, QStringList{"1:1:1,00", "2:2:2,00", "3:3:3\u00A0000"});
        row("one gone, the next unusual", QList<int>{1, 3, 4},
            QStringList{"1,00", "3 000 000,5", "4\u00A0000"}, QList<int>{1, 2, 3, 4},
            QStringList{"1:1:1,00", "3:2:3 000 000,5", "4:3:4\u00A0000"});
    }
    void rebuild_keeps_the_list_order() {
        auto [stored, sums, listed, rows] =
            fetch<QList<int>, QStringList, QList<int>, QStringList>();
        for (int i = 0; i < stored.size(); ++i) {
            QVERIFY(
                add_stored_order(fx_.host(), StoredOrder{.oper_id = stored[i], .sum = sums[i]}));
        }
        Form2& f2 = fx_.list(listed);
        f2.refresh_list(); // and again, from the list the first one made
        QStringList got;
        for (int r = 1; r <= f2.row_count(); ++r)
            got << f2.cell(r, Field::OperId) + u':' + f2.cell(r, Field::Number) + u':' +
                       f2.cell(r, Field::Sum);
        QCOMPARE(got, rows);
        QVERIFY(fx_.ui().boxes.isEmpty());
    }

    // A listed key is read as the platform reads a text as a whole number, whether it is
    // plain digits or not.
    void rebuild_reads_listed_keys_data() {
        columns<QString, QString>(); // key, found (the oper_id listed after, or the error's words)
        const auto row = [](const char* key, const char* found) {
            QTest::newRow(*key ? key : "empty") << key << found;
        };
        for (const char* key : {"2", "002", "000000002", "0000000002", " 2 ", "2,5", "1,5"})
            row(key, "2"); // leading zeros, blanks, halves to even
        row("-2", "");
        row("2147483648", ": Overflow");
        row("N2", ": Type mismatch");
        row("", ": Type mismatch");
    }
    void rebuild_reads_listed_keys() {
        auto [key, found] = fetch<QString, QString>();
        Form2& f2 = list({2});
        f2.set_cell(1, Field::OperId, key);
        f2.refresh_list();
        const QStringList boxes = fx_.ui().texts();
        if (found.startsWith(u':')) {
            QCOMPARE(boxes, QStringList{"Возникла ошибка в модуле Tavrelis.Form2.refresh_list(1)" +
                                        found});
            return;
        }
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(u'|')));
        QCOMPARE(f2.row_count(), found.isEmpty() ? 0 : 1);
        if (!found.isEmpty())
            QCOMPARE(f2.cell(1, Field::OperId), found);
    }

    // However long its texts, an order prints on one sheet.
    void one_page_per_order_data() {
        columns<QString, int>(); // column, length
        QTest::newRow("short purpose") << "aim" << 10;
        QTest::newRow("purpose of 3000") << "aim" << 3000;
        QTest::newRow("receiver of 1500") << "receiver" << 1500;
        QTest::newRow("bank of 1500") << "bank_sender" << 1500;
    }
    void one_page_per_order() {
        auto [column, length] = fetch<QString, int>();
        QTemporaryDir out;
        Form2& f2 = run_ready(out, {1});
        QVERIFY(fx_.host().settlements(
            QStringLiteral("update payments set %1='%2';").arg(column, QString(length, u'ж'))));
        f2.refresh_list();
        f2.Command5_Click();
        f2.Check4->setChecked(true);
        f2.Check1->setChecked(false);
        f2.Check3->setChecked(false);
        Command10_Click();
        const QDir printed(out.filePath(QStringLiteral("pdf")));
        const QStringList pdfs = printed.entryList({"*.pdf"}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);
        QFile pdf(printed.filePath(pdfs[0]));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QString bytes = QString::fromLatin1(pdf.readAll());
        QCOMPARE(bytes.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);
    }

    void preview_fits_and_answers_keys() {
        fx_.open_settlements();
        Form3& f3 = form3();
        f3.show();
        const QRect free = f3.screen()->availableGeometry();
        QVERIFY(free.contains(f3.geometry()));
        QVERIFY(f3.maximumHeight() < free.height()); // nor grows past it
        // As large as a page wants, or as the screen has room for beside a frame and a title.
        QVERIFY(f3.width() >= std::min(860, free.width() - 8));
        QVERIFY(f3.height() >= std::min(900, free.height() - 40));
        QVERIFY(f3.Command1->isVisible() && f3.Command3->isVisible());
        f3.move(free.topLeft() + QPoint(7, 9));
        const QRect placed = f3.geometry();
        QCOMPARE(f3.focusWidget(), f3.WebBrowser1); // arrows and Page Down scroll the sheet
        QTest::keyClick(f3.WebBrowser1, Qt::Key_Return);
        QVERIFY(!f3.isVisible());
        QVERIFY(form1().pechatat);
        QVERIFY(!form1().cancel_print);
        // The next sheet opens where the last one was, wherever the window system put it.
        f3.move(free.topLeft() + QPoint(40, 30));
        f3.resize(placed.size() - QSize(50, 60));
        f3.show();
        QCOMPARE(f3.geometry(), placed);
        QVERIFY(!form1().pechatat); // each sheet starts unanswered
        QTest::keyClick(f3.WebBrowser1, Qt::Key_Escape);
        QVERIFY(!f3.isVisible());
        QVERIFY(!form1().pechatat);
        QVERIFY(form1().cancel_print);
    }

    void status_after_runs_data() {
        columns<QString, bool, QString, QString,
                QString>(); // run (print, export or post), file_manager, status, next (the printed
                            // order keeps 15, the other takes 1), tip (of the first row after the
                            // run)
        const QString not_printed = QStringLiteral("Не напечатано; уплата не проведена");
        row("print", "print", true, "Напечатано 2 листа: PDF в папке %1/pdf", "2",
            "Напечатано под номером 1; уплата не проведена");
        row("export", "export", true, "Выгружено в XML: 2 файла в папке %1/Выгрузка", "1",
            not_printed);
        row("export, no file manager", "export", false,
            "Выгружено в XML: 2 файла в папке %1/Выгрузка; папку %1/Выгрузка открыть не "
            "удалось: не найден файловый менеджер",
            "1", not_printed);
        // The orders have no accruals in the cards here: nothing to post, and it says so.
        row("post", "post", true, "Проведено операций уплаты: 0, карточек расчета с бюджетом: 0",
            "1", not_printed);
    }
    void status_after_runs() {
        auto [run, file_manager, status, next, tip] =
            fetch<QString, bool, QString, QString, QString>();
        QTemporaryDir out;
        platform::RecordingOpener opener;
        NoFileManager none;
        platform::OpenerScope scope(file_manager ? static_cast<platform::FolderOpener&>(opener)
                                                 : none);
        Form2& f2 = run_ready(out);
        form1().S = out.filePath(QStringLiteral("V2_payments.ini"));
        f2.Check4->setChecked(run == u"print");
        f2.Check1->setChecked(false);
        f2.Check3->setChecked(run == u"export");
        f2.Check2->setChecked(run == u"post");
        fx_.ui().answers = {platform::vbYes, platform::vbYes};
        Command10_Click();
        QCOMPARE(f2.Label1->text(), status.arg(QDir::toNativeSeparators(out.path())));
        QCOMPARE(shared().nomer, next);
        // A sheet's number is on disk as soon as it is printed, before the module ends.
        QCOMPARE(QFile::exists(form1().S), run == u"print");
        if (run == u"print")
            QCOMPARE(parse_settings(testsupport::read_file(form1().S)).last_number, 1);
        // The list shows what the run did.
        QCOMPARE(f2.orders().data(f2.orders().index(0, 1), Qt::ToolTipRole).toString(), tip);
    }

    // An export that kept every old file wrote nothing: it does not offer to open the folder.
    void export_keeping_every_file_asks_nothing() {
        QTemporaryDir out;
        Form2& f2 = run_ready(out);
        f2.Check4->setChecked(false);
        f2.Check3->setChecked(true);
        fx_.ui().answers = {platform::vbNo}; // the first run's folder not opened
        Command10_Click();
        f2.Command5_Click();
        fx_.ui().boxes.clear();
        fx_.ui().on_show = {[](QDialog&) { form6().buttons()[3]->click(); }}; // «Нет для всех»
        Command10_Click();
        QCOMPARE(fx_.ui().texts(), QStringList());
    }

    // However a print run ends, the word processor is told to quit, each sheet closed before:
    // a second run finds the export files of the first. A previewed sheet is in sight.
    void word_processor_quits_data() {
        columns<bool, bool>(); // preview, again
        QTest::newRow("printed") << false << false;
        QTest::newRow("cancelled at the preview") << true << false;
        QTest::newRow("cancelled at the overwrite question") << false << true;
    }
    void word_processor_quits() {
        auto [preview, again] = fetch<bool, bool>();
        CountingQuits counting;
        platform::set_factory(&counting);
        const auto restore = qScopeGuard([] { platform::set_factory(nullptr); });
        QTemporaryDir out;
        Form2& f2 = run_ready(out);
        f2.Check4->setChecked(true);
        f2.Check1->setChecked(preview);
        f2.Check3->setChecked(true);
        fx_.ui().answers = {platform::vbNo}; // the export's folder not opened
        QString previewed;
        if (preview)
            fx_.ui().on_show.push_back([&previewed](QDialog&) {
                previewed = form3().WebBrowser1->toPlainText();
                QTest::keyClick(form3().WebBrowser1, Qt::Key_Escape);
            });
        if (again) {
            Command10_Click();
            f2.Command5_Click();
            fx_.ui().on_show = {[](QDialog&) { form6().buttons()[4]->click(); }};
        }
        Command10_Click();
        QCOMPARE(counting.quits, again ? 2 : 1);
        QCOMPARE(counting.left_open, 0);
        if (preview) // the sheet in sight
            QVERIFY2(previewed.contains(QStringLiteral("Одна тысяча двести тридцать четыре рубля")),
                     qPrintable(previewed));
    }

    // Settling moves the counter past the highest number sent to the bank this year, never
    // back; numbers of another year or never sent do not count.
    void settling_moves_the_counter_data() {
        columns<QString, int,
                QString>(); // sent (number_, state and year of a journal row), last, next
        QTest::newRow("nothing sent") << "" << 0 << "1";
        QTest::newRow("sent past the counter") << "7,2,0" << 3 << "8";
        QTest::newRow("sent again past it") << "9,3,0" << 3 << "10";
        QTest::newRow("sent below it") << "2,2,0" << 3 << "4";
        QTest::newRow("sent last year") << "7,2,-1" << 0 << "1";
    }
    void settling_moves_the_counter() {
        auto [sent, last, next] = fetch<QString, int, QString>();
        fx_.open_settlements();
        Shared& sh = shared();
        ensure_upload_journal(sh.cnn);
        const int year = platform::today().year();
        if (!sent.isEmpty()) {
            const QStringList v = sent.split(u',');
            journal(1, v[0], v[1].toInt(),
                    QStringLiteral("05.12.%1 12:00:00").arg(year + v[2].toInt()));
        }
        sh.last_year = year;
        sh.last_number = last;
        sh.nomer = QString::number(last + 1);
        QVERIFY(!settle_uploads());
        QCOMPARE(sh.nomer, next);
        QCOMPARE(sh.last_number, next.toInt() - 1);
    }

    // An order another session is sending to the bank this moment is not sent again: the
    // user is told which, and no file is made.
    void upload_leaves_an_order_held_elsewhere() {
        QTemporaryDir out;
        Form2& f2 = run_ready(out, {1});
        // The session of a process that is alive: the system's first.
        journal(1, "7", 1, "05.12.2026 12:00:00",
                platform::process_owner().section(u':', 0, -2) + QStringLiteral(":1"));
        fx_.ui().on_show.push_back([](QDialog&) { form7().Command1->click(); }); // send anyway
        f2.Command11->click();
        QCOMPARE(fx_.ui().texts(),
                 QStringList{"Платежные поручения № 1 сейчас выгружает в банк или только что "
                             "выгрузил другой пользователь. Выгрузка не выполнена: повторите ее, "
                             "чтобы увидеть, что уже выгружено."});
        QCOMPARE(QDir(shared().up_path).entryList(QDir::Files), QStringList());
    }

    // The spreadsheet export, which only its hidden check box chooses: a workbook an order, each
    // field in its own row of the second column, written as the XML export writes it.
    void spreadsheet_export() {
        QTemporaryDir out;
        platform::RecordingOpener opener;
        platform::OpenerScope scope(opener);
        Form2& f2 = run_ready(out);
        f2.Check4->setChecked(false);
        f2.Check3->setChecked(true);
        f2.Check5->setChecked(true);
        fx_.ui().answers = {platform::vbNo};
        Command10_Click();
        const QDir folder(shared().up_path);
        const QStringList books = folder.entryList({QStringLiteral("*.xls")}, QDir::Files);
        QCOMPARE(books.size(), 2);
        const auto xl = platform::factory().create_spreadsheet();
        QVERIFY(xl);
        for (const QString& name : books) {
            platform::Worksheet& sheet = xl->add_workbook(folder.filePath(name)).sheets(1);
            const auto cell = [&sheet](Field f) { return sheet.cell(column_of(f), 2); };
            QCOMPARE(cell(Field::InnSender) + QStringLiteral("_N") + cell(Field::Number) +
                         QStringLiteral("_20260401.xls"),
                     name);
            QCOMPARE(cell(Field::Sum), QStringLiteral("1234,50"));
            // Every other field as the list shows it: each text names its own column.
            const int r = cell(Field::InnSender).endsWith(u'1') ? 1 : 2;
            for (int c = column_of(Field::PaymentDate); c <= column_of(Field::SumWords); ++c)
                if (Field(c) != Field::Sum)
                    QCOMPARE(cell(Field(c)), f2.cell(r, Field(c)));
            QCOMPARE(sheet.cell(column_of(Field::SumWords) + 1, 2), QString());
            QCOMPARE(sheet.cell(column_of(Field::Sum), 3), QString());
        }
        // A workbook that cannot be saved is reported, at its step.
        QVERIFY(QFile::remove(folder.filePath(books[0])) && folder.mkdir(books[0]));
        fx_.ui().boxes.clear();
        fx_.ui().on_show = {[](QDialog&) { form6().Command2->click(); }}; // replace them all
        f2.Command5_Click();
        Command10_Click();
        const QString said = fx_.ui().texts().value(0);
        QVERIFY2(said.startsWith("Произошла ошибка в модуле out_excel(5): Не удалось сохранить "
                                 "книгу \"" +
                                 QDir::toNativeSeparators(folder.filePath(books[0])) + "\": "),
                 qPrintable(said));
        // Without the workbook template the step that opens it is named.
        const QString book = platform::module_folder() + QStringLiteral("/template.xls");
        QVERIFY(QFile::rename(book, book + u'~'));
        const auto put_back = qScopeGuard([&book] { QFile::rename(book + u'~', book); });
        fx_.ui().boxes.clear();
        f2.Command5_Click();
        Command10_Click();
        QVERIFY2(fx_.ui().texts().value(0).startsWith(
                     "Произошла ошибка в модуле out_excel(2): Не удалось открыть книгу"),
                 qPrintable(fx_.ui().texts().value(0)));
        // A spreadsheet program of another release than 2003 or 2007 is not used.
        CountingQuits later;
        later.spreadsheet_version = QStringLiteral("14.0");
        platform::set_factory(&later);
        const auto restore = qScopeGuard([] { platform::set_factory(nullptr); });
        fx_.ui().boxes.clear();
        f2.Command5_Click();
        Command10_Click();
        QCOMPARE(fx_.ui().texts().value(0),
                 "Модуль формирования платежных поручений требует наличия Microsoft Excel 2003 или "
                 "Microsoft Excel 2007. Установите одну из этих версий и повторите действие");
    }

    void editor_amount_ready_for_typing_data() {
        QTest::addColumn<bool>("double_click");
        QTest::newRow("Правка") << false;
        QTest::newRow("double click") << true;
    }
    void editor_amount_ready_for_typing() {
        QFETCH(bool, double_click);
        Form2& f2 = list({1});
        QString typed;
        for (int opening = 0; opening < 2; ++opening) {
            fx_.ui().on_show.push_back([&](QDialog& w) {
                Form5& f5 = static_cast<Form5&>(w);
                QCOMPARE(w.focusWidget(), f5.Text1);
                QCOMPARE(f5.Text1->selectedText(), QStringLiteral("1234,50"));
                QTest::keyClicks(f5.Text1, QStringLiteral("7"));
                typed = f5.Text1->text();
                if (opening == 0) {
                    f5.Command2->click();
                } else { // Esc leaves as "Отмена" does
                    QTest::keyClick(f5.Text1, Qt::Key_Escape);
                    QVERIFY(!w.isVisible());
                }
            });
            if (double_click)
                emit f2.L1->doubleClicked(f2.L1->currentIndex());
            else
                f2.Command9->click();
            QCOMPARE(typed, QStringLiteral("7"));
            QCOMPARE(f2.cell(1, Field::Sum), QStringLiteral("1 234,50"));
        }
    }

    // Each window as drawn: its caption, and every named control in sight within its parent,
    // clear of those a layout puts beside it (the editor draws the bank form's overlaps).
    void windows_as_drawn_data() {
        QTest::addColumn<QString>("title");
        QTest::newRow("Form1") << "Формирование платежных поручений";
        QTest::newRow("Form2") << "Сформированные платежные поручения";
        QTest::newRow("Form3") << "Подготовка к печати";
        QTest::newRow("Form4") << "Выбор папки для выгрузки";
        QTest::newRow("Form5") << "Задать параметры платежного поручения вручную";
        QTest::newRow("Form6") << "Вопрос";
        QTest::newRow("Form7") << "Проверка реквизитов";
    }
    void windows_as_drawn() {
        QFETCH(QString, title);
        // Built without a word from Qt (a layout's cells out of order, say), but the offscreen
        // platform's own about size hints.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!This plugin does not)")));
        const QHash<QString, QDialog*> windows{
            {"Form1", &form1()}, {"Form2", &form2()}, {"Form3", &form3()}, {"Form4", &form4()},
            {"Form5", &form5()}, {"Form6", &form6()}, {"Form7", &form7()}};
        QDialog* window = windows.value(QTest::currentDataTag());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), title);
        QList<QWidget*> named;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_") &&
                w->isVisibleTo(window))
                named << w;
        for (QWidget* a : named) {
            // Within its layout's margins: a control the layout left out sits in the corner.
            const QLayout* layout = a->parentWidget()->layout();
            QVERIFY2((layout ? layout->contentsRect() : a->parentWidget()->rect())
                         .contains(a->geometry()),
                     qPrintable(a->objectName()));
            for (QWidget* b : named)
                if (a != b && a->parentWidget() == b->parentWidget() && a->parentWidget()->layout())
                    QVERIFY2(!a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + u' ' + b->objectName()));
        }
        window->hide();
    }

    // «Правка» fills the editor from the current row; a posted order is refused, a mark that is
    // no number or orders that cannot be read reported at its step.
    void editor_opens_data() {
        columns<QString, QString>(); // done, box
        const QString posted = QStringLiteral(
            "По данному начислению уже была проведена оплата, поэтому его нельзя изменить");
        row("not posted", "0", QString());
        row("not posted, a text mark", "'0,0'", QString());
        row("posted", "1", posted);
        row("posted, a text mark", "'1'", posted);
        row("mark no number", "'x'",
            QStringLiteral(
                "Возникла ошибка в модуле Tavrelis.Form2.edit_payment(3): Type mismatch"));
        row("orders unreadable", "0; alter table payments rename to gone",
            "Возникла ошибка в модуле Tavrelis.Form2.edit_payment(2): no such table: payments");
    }
    void editor_opens() {
        auto [done, box] = fetch<QString, QString>();
        Form2& f2 = list({1});
        QVERIFY(fx_.host().settlements("update payments set payment_done=" + done));
        QStringList shown;
        fx_.ui().on_show.push_back([&](QDialog& w) {
            Form5& f5 = static_cast<Form5&>(w);
            shown = QStringList{f5.Label5->text(),  f5.Label10->text(), f5.Label13->text(),
                                f5.Label18->text(), f5.Label19->text(), f5.Text1->text()};
        });
        f2.Command9->click();
        QCOMPARE(fx_.ui().texts(), box.isEmpty() ? QStringList() : QStringList{box});
        if (box.isEmpty())
            QCOMPARE(shown, (QStringList{"ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №" + f2.cell(1, Field::Number),
                                         "01.04.2026", f2.cell(1, Field::SumWords), "ИНН inn 1",
                                         "КПП kpp 1", "1234,50"}));
        else
            QVERIFY(shown.isEmpty());
    }

    // The folder chooser goes to the drive picked, stays where it was on one it cannot read,
    // and «Закрыть» takes its folder.
    void folder_chooser_drives() {
        QTemporaryDir out;
        Form4& f4 = form4();
        f4.Drive1->addItem(out.path());
        f4.Drive1->addItem(out.filePath(QStringLiteral("no medium")));
        f4.Drive1->setCurrentIndex(f4.Drive1->count() - 2);
        QCOMPARE(f4.Dir1->path(), out.path());
        f4.Drive1->setCurrentIndex(f4.Drive1->count() - 1);
        QCOMPARE(fx_.ui().texts(), QStringList{"Этот диск недоступен"});
        QCOMPARE(f4.Dir1->path(), out.path());
        f4.Command1->click();
        QCOMPARE(shared().up_path, out.path());
        // Opened at a folder, it shows the drive that holds it, the nearest, and the folder picked.
        QVERIFY(QDir(out.path()).mkdir(QStringLiteral("ПП")));
        f4.Drive1->setCurrentIndex(0);
        f4.open_at(out.filePath(QStringLiteral("ПП")));
        QCOMPARE(f4.Drive1->currentText() + u'|' + f4.Dir1->path() + u'|' +
                     f4.Dir1->currentIndex().data().toString(),
                 out.path() + u'|' + out.filePath(QStringLiteral("ПП")) + QStringLiteral("|ПП"));
        f4.Drive1->setCurrentIndex(0);
        f4.open_at(out.path()); // a drive itself
        QCOMPARE(f4.Drive1->currentText(), out.path());
    }

    // Enter in the folder tree opens the folder under the cursor, the tree showing its chain
    // alone; «Закрыть» closes the chooser with the folder, Esc without.
    void folder_chooser_keeps_enter() {
        QTemporaryDir out;
        Form4& f4 = form4();
        f4.Drive1->addItem(out.path());
        f4.Drive1->setCurrentIndex(f4.Drive1->count() - 1);
        f4.show();
        f4.Dir1->setFocus();
        QTest::keyClick(f4.Dir1, Qt::Key_Return);
        QVERIFY(f4.isVisible());
        QVERIFY(QDir(out.path()).mkdir(QStringLiteral("ПП")));
        QVERIFY(f4.Dir1->setPath(out.path()));
        QTreeWidgetItem* sub =
            f4.Dir1->findItems(QStringLiteral("ПП"), Qt::MatchRecursive).value(0);
        QVERIFY(sub);
        f4.Dir1->setCurrentItem(sub);
        QTest::keyClick(f4.Dir1, Qt::Key_Return);
        QCOMPARE(f4.Dir1->path() + u'|' + QString::number(f4.Dir1->topLevelItemCount()),
                 out.filePath(QStringLiteral("ПП")) + QStringLiteral("|1"));
        QVERIFY(f4.isVisible());
        shared().up_path = QStringLiteral("/was");
        QTest::keyClick(f4.Dir1, Qt::Key_Escape); // leaves the folder as it was
        QCOMPARE(QString(f4.isVisible() ? "shown " : "closed ") + shared().up_path, "closed /was");
        f4.show();
        f4.Command1->setFocus();
        QTest::keyClick(f4.Command1, Qt::Key_Return);
        QVERIFY(!f4.isVisible());
    }

    void enter_presses_the_focused_button() {
        Form2& f2 = list({1, 2});
        f2.show();
        f2.Command5->setFocus();
        QTest::keyClick(f2.Command5, Qt::Key_Return);
        QVERIFY(f2.orders().ticked(0) && f2.orders().ticked(1));
        f2.Command6->setFocus();
        QTest::keyClick(f2.Command6, Qt::Key_Enter);
        QVERIFY(!f2.orders().ticked(0) && !f2.orders().ticked(1));
        QTest::keyClick(f2.Command6, Qt::Key_Escape); // other keys are the window's
        QVERIFY(!f2.isVisible());
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
