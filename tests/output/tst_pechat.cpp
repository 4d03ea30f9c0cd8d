#include "common/form4.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "output/pechat.h"
#include "platform/env.h"
#include "platform/objects.h"
#include "platform/word.h"
#include "support/support.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

// The stand-in word processor of a version ("none": it cannot be started), counted.
struct Word : ObjectFactory {
    QString version;
    int created = 0;
    std::unique_ptr<VersionInfo> create_version() override { return nullptr; }
    std::unique_ptr<WorkCalendar> create_calendar() override { return nullptr; }
    std::unique_ptr<WordApplication> create_word() override {
        ++created;
        return version == u"none" ? nullptr : make_word_application(version);
    }
};

} // namespace

// Preview answers, skipped sheets, reprints, "Отменить всю печать", Word 2010 and the
// questions after a run are checked by the scripted sessions print_* and export_*.
class TestPechat : public QObject {
    Q_OBJECT
    testsupport::WindowFixture fx_;
    QTemporaryDir out_;

private slots:
    void init() { fx_.init(); }
    void cleanup() {
        fx_.cleanup();
        set_print_folder(QString());
        set_factory(nullptr);
    }

    void runs_data() {
        QTest::addColumn<QString>("version"); // of the word processor; "none": it cannot start
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("nomer");   // the counter before the run
        QTest::addColumn<bool>("taken");      // a file where the folder for the sheets should be
        QTest::addColumn<QString>("number");  // recorded for the order
        QTest::addColumn<QString>("after");   // the counter after the run
        QTest::addColumn<QString>("message"); // the box: its start, "…", its end
        const QString refused = "Модуль формирования платежных поручений требует наличия "
                                "Microsoft Word 2003 или Microsoft Word 2007. Установите одну "
                                "из этих версий и повторите действие…";
        auto row = [](const char* tag, const char* version, bool ticked, const char* nomer,
                      bool taken, const char* number, const char* after, const QString& box) {
            QTest::newRow(tag) << version << ticked << nomer << taken << number << after << box;
        };
        row("Word 2003", "11.0", true, "07", false, "7", "8", "");
        row("Word 2000", "9.0", true, "07", false, "<null>", "07", refused);
        row("cannot start", "none", true, "07", false, "<null>", "07", refused);
        // The version is checked all the same, and the counter written back as a number.
        row("nothing ticked", "12.0", false, "07", false, "<null>", "7", "");
        row("counter not a number", "12.0", true, "семь", false, "<null>", "семь",
            "Произошла ошибка при формировании документа для вывода на печать: Type mismatch "
            "(3)…");
        row("printing fails", "12.0", true, "07", true, "7", "07",
            "Произошла ошибка при выводе документа на печать:… (46)");
    }
    // Only the two versions the module knows print; another is refused before anything is
    // numbered, and closes the window. Other failures are said in the print error box; a
    // number recorded before the failure stays.
    void runs() {
        QFETCH(QString, version);
        QFETCH(bool, ticked);
        QFETCH(QString, nomer);
        QFETCH(bool, taken);
        QFETCH(QString, number);
        QFETCH(QString, after);
        QFETCH(QString, message);
        Word word;
        word.version = version;
        set_factory(&word);
        QVERIFY(fx_.host().settlements(
            "insert into payments (oper_id, payment_date, sum, inn_sender, payment_done, "
            "print_done) values (1, '2027-01-28', '1 234,50', '7705012345', 0, 0);"));
        Form2& f = fx_.list({1}, 6);
        f.orders().set_ticked(0, ticked);
        f.Check4->setChecked(true);
        f.Check1->setChecked(false);
        form1().emp = false;
        form1().S = out_.filePath("V2_payments.ini"); // closing the window writes it
        form4().nomer = nomer;
        const QString sheets = out_.filePath(QTest::currentDataTag());
        QVERIFY(taken ? testsupport::write_file(sheets, "x") : QDir().mkpath(sheets));
        set_print_folder(sheets);
        f.show();
        QCOMPARE(pechat(false, false), version != u"9.0");
        QCOMPARE(f.isVisible(), version != u"9.0");
        QCOMPARE(word.created, 1);
        QCOMPARE(QDir(sheets).entryList(QDir::Files).join(""),
                 number == "7" && !taken ? "7705012345_N7_20270128.pdf" : "");
        QCOMPARE(fx_.stored(1, "number_"), number);
        QCOMPARE(form4().nomer, after);
        QCOMPARE(fx_.ui().boxes.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(fx_.ui().boxes[0].text.startsWith(message.section(u'…', 0, 0)) &&
                         fx_.ui().boxes[0].text.endsWith(message.section(u'…', 1)),
                     qPrintable(fx_.ui().boxes[0].text));
    }
};

QTEST_MAIN(TestPechat)
#include "tst_pechat.moc"
