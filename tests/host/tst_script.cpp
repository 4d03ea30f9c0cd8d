#include "script.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <stdexcept>

using host::ScriptSession;
using namespace tavrelis::platform;

// The folder chooser as the windows expose it: a `path` property.
class FolderTree : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath)
public:
    using QWidget::QWidget;
    QString path() const { return path_; }
    void setPath(const QString& p) { path_ = p; }

private:
    QString path_ = QStringLiteral("/start");
};

class Stubborn : public QDialog {
protected:
    void closeEvent(QCloseEvent* e) override { e->ignore(); }
};

// Two windows named and built like the module's, logging what their controls report.
struct Forms {
    QDialog form1, form2;
    QComboBox* combo1 = new QComboBox(&form1);
    QComboBox* combo10 = new QComboBox(&form1);
    QLineEdit* text1 = new QLineEdit(QStringLiteral("1"), &form1);
    QDateEdit* picker = new QDateEdit(QDate(2024, 1, 15), &form1);
    QListWidget* list = new QListWidget(&form1);
    QCheckBox* check3 = new QCheckBox(&form1);
    QLabel* label = new QLabel(QStringLiteral("№ п/п, начиная с:"), &form1);
    FolderTree* dir = new FolderTree(&form1);
    QTreeWidget* l1 = new QTreeWidget(&form2);
    QStringList log;

    template <class F> QPushButton* button(QDialog& window, const char* name, F handler) {
        auto* b = new QPushButton(&window);
        b->setObjectName(QLatin1String(name));
        QObject::connect(b, &QPushButton::clicked, handler);
        return b;
    }

    Forms() {
        form1.setObjectName("Form1");
        form2.setObjectName("Form2");
        combo1->setObjectName("Combo1");
        combo1->addItems({"Налог", "b c", "Пени \"А\"", "b c"});
        combo10->setObjectName("Combo10");
        combo10->addItem("Месячные платежи");
        combo10->hide();
        text1->setObjectName("Text1");
        picker->setObjectName("DTPicker3");
        list->setObjectName("List1");
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        list->addItems({"ООО Альфа", "ООО Бета", "ООО Гамма", "ООО Дельта"});
        list->item(1)->setSelected(true);
        list->item(3)->setSelected(true);
        check3->setObjectName("Check3");
        label->setObjectName("Label1");
        dir->setObjectName("Dir1");
        QPushButton* command3 = button(form1, "Command3", [this] { log << "Command3"; });
        command3->setEnabled(false);
        QObject::connect(check3, &QCheckBox::clicked, [this, command3](bool on) {
            log << QStringLiteral("Check3 %1").arg(on);
            command3->setEnabled(on);
        });
        button(form1, "Command2", [this] { tavrelis::platform::show_modal(form2); });
        button(form1, "Command5", [this] {
            const int a = msgbox("Сохранить?", vbYesNo | vbQuestion | vbDefaultButton2,
                                 "Вальмора-2: Фискалон");
            log << "answer " + answer_name(a);
        });
        button(form1, "Command7", [this] {
            try {
                tavrelis::platform::show_modal(form2);
            } catch (const std::exception&) {
                log << "caught";
            }
        });
        QObject::connect(combo1, &QComboBox::currentIndexChanged,
                         [this](int i) { log << QStringLiteral("index %1").arg(i); });
        QObject::connect(combo1, &QComboBox::activated,
                         [this](int i) { log << QStringLiteral("activated %1").arg(i); });
        QObject::connect(text1, &QLineEdit::textEdited,
                         [this](const QString& t) { log << "edited " + t; });
        QObject::connect(picker, &QDateEdit::dateChanged,
                         [this](QDate d) { log << "date " + d.toString("dd.MM.yyyy"); });

        l1->setObjectName("L1");
        l1->setColumnCount(30);
        for (int r = 1; r <= 3; ++r) {
            auto* item = new QTreeWidgetItem(l1);
            item->setCheckState(0, r == 2 ? Qt::Unchecked : Qt::Checked);
            item->setText(1, QStringLiteral("N%1").arg(r + 4));
            item->setText(2, "01.02.2024");
            item->setText(28, "ноль рублей \"00\"");
            item->setText(29, QString::number(40 + r));
            if (r == 2)
                for (int c = 1; c <= 28; ++c)
                    item->setForeground(c, QColor(0, 0xC0, 0xC0));
        }
        QObject::connect(l1, &QTreeWidget::itemChanged, [this](QTreeWidgetItem* item, int) {
            log << QStringLiteral("tick %1 %2")
                       .arg(l1->indexOfTopLevelItem(item) + 1)
                       .arg(item->checkState(0) == Qt::Checked);
        });
        QObject::connect(l1, &QTreeWidget::itemClicked, [this](QTreeWidgetItem* item, int) {
            log << QStringLiteral("click %1").arg(l1->indexOfTopLevelItem(item) + 1);
        });
        QObject::connect(l1, &QTreeWidget::itemDoubleClicked, [this](QTreeWidgetItem* item, int) {
            log << QStringLiteral("dblclick %1").arg(l1->indexOfTopLevelItem(item) + 1);
        });
        button(form2, "Command9", [] { msgbox("Готово", vbInformation); });
    }

    // Runs the script over a module that shows Form1 once and then reports its end.
    int run(const QString& script, ScriptSession& s) {
        s.set_echo_stops(false);
        if (!ScriptSession::parse(script, s, nullptr))
            return s.exit_code();
        s.run([this] {
            tavrelis::platform::show_modal(form1);
            log << "after";
        });
        return s.exit_code();
    }
};

class TestScript : public QObject {
    Q_OBJECT
private slots:
    void bad_scripts_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown action") << "Form1.Combo1 frob"
                                        << "line 1: Form1.Combo1 frob: unknown action \"frob\"";
        QTest::newRow("counts lines past comments and blanks")
            << "# c\r\n\r\n   \n  # c2\nForm1.Text1 text \"abc"
            << "line 5: Form1.Text1 text \"abc: unterminated quote";
        QTest::newRow("quote inside a bare word")
            << "Form1.Text1 text ab\"c"
            << "line 1: Form1.Text1 text ab\"c: a quote inside a word that does not start with one";
        QTest::newRow("unknown window") << "Form9.Command1 click"
                                        << "line 1: Form9.Command1 click: unknown window \"Form9\"";
        QTest::newRow("impossible date")
            << "Form1.DTPicker3 date 31.02.2024"
            << "line 1: Form1.DTPicker3 date 31.02.2024: bad date \"31.02.2024\"";
        QTest::newRow("short date")
            << "Form1.DTPicker3 date 1.02.2024"
            << "line 1: Form1.DTPicker3 date 1.02.2024: bad date \"1.02.2024\"";
        QTest::newRow("position below -1") << "Form1.Combo1 select -2"
                                           << "line 1: Form1.Combo1 select -2: bad position \"-2\"";
        QTest::newRow("unknown answer") << "answer Maybe"
                                        << "line 1: answer Maybe: unknown answer \"Maybe\"";
        QTest::newRow("column 30") << "expect Form2.L1 1 30 x"
                                   << "line 1: expect Form2.L1 1 30 x: bad column \"30\"";
        QTest::newRow("row 0") << "Form2.L1 tick 0"
                               << "line 1: Form2.L1 tick 0: bad row \"0\"";
        QTest::newRow("extra word") << "Form1.Command2 click now"
                                    << "line 1: Form1.Command2 click now: click takes nothing more";
        QTest::newRow("one word") << "hello"
                                  << "line 1: hello: unknown step";
    }
    // A bad step stops the session before the module runs, naming its line.
    void bad_scripts() {
        QFETCH(QString, script);
        QFETCH(QString, error);
        Forms f;
        ScriptSession s;
        QCOMPARE(f.run(script, s), 2);
        QCOMPARE(s.stop_line(), error);
        QVERIFY(f.log.isEmpty());
        QVERIFY(s.transcript().isEmpty());
    }

    void quoted_words_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("typed");
        QTest::newRow("bare") << "abc"
                              << "abc";
        QTest::newRow("blanks") << "\"a  b\""
                                << "a  b";
        QTest::newRow("doubled quotes") << "\"say \"\"hi\"\"\""
                                        << "say \"hi\"";
        QTest::newRow("only a quote") << "\"\"\"\""
                                      << "\"";
        QTest::newRow("empty") << "\"\""
                               << "";
        QTest::newRow("cyrillic") << "\"Налог / Аванс\""
                                  << "Налог / Аванс";
    }
    // A text step replaces the text as typing does: the edit handler sees the whole new text.
    void quoted_words() {
        QFETCH(QString, word);
        QFETCH(QString, typed);
        Forms f;
        ScriptSession s;
        QCOMPARE(f.run("\xEF\xBB\xBF# typed\r\n\tForm1.Text1   text " + word + "  \r\n", s), 0);
        QCOMPARE(f.text1->text(), typed);
        QCOMPARE(f.log.first(), "edited " + typed);
    }

    void acting_steps_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("select by position, text, none")
            << "Form1.Combo1 select 2\nForm1.Combo1 select \"b c\"\nForm1.Combo1 select -1"
            << QStringList{"index 2", "activated 2", "index 1", "activated 1", "index -1", "after"};
        QTest::newRow("select the shown entry")
            << "Form1.Combo1 select 0" << QStringList{"activated 0", "after"};
        QTest::newRow("date") << "Form1.DTPicker3 date 29.02.2024"
                              << QStringList{"date 29.02.2024", "after"};
        QTest::newRow("check clicks only on a change")
            << "Form1.Check3 check\nForm1.Check3 check\nForm1.Command3 click\nForm1.Check3 uncheck"
            << QStringList{"Check3 1", "Command3", "Check3 0", "after"};
        QTest::newRow("list view")
            << "Form1.Command2 click\nForm2.L1 tick 2\nForm2.L1 untick 1\nForm2.L1 tick 3\n"
               "Form2.L1 pick 3\nForm2.L1 dblclick"
            << QStringList{"tick 2 1", "tick 1 0", "click 3", "dblclick 3", "after"};
        QTest::newRow("window close box") << "Form1 close\n" << QStringList{"after"};
    }
    void acting_steps() {
        QFETCH(QString, script);
        QFETCH(QStringList, log);
        Forms f;
        ScriptSession s;
        QCOMPARE(f.run(script, s), 0);
        QCOMPARE(f.log, log);
    }

    void choose_and_path() {
        Forms f;
        ScriptSession s;
        QTemporaryDir dir;
        QCOMPARE(f.run("Form1.List1 choose 0\nForm1.List1 unchoose 3\nForm1.List1 choose 1\n"
                       "Form1.Dir1 path \"" +
                           dir.path() + "/./\"",
                       s),
                 0);
        QList<int> chosen;
        for (int i = 0; i < f.list->count(); ++i)
            if (f.list->item(i)->isSelected())
                chosen << i;
        QCOMPARE(chosen, QList<int>({0, 1}));
        QCOMPARE(f.dir->path(), QDir(dir.path()).canonicalPath());
    }

    void expectations_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("stop");
        QTest::newRow("drop-down") << "expect Form1.Combo1 \"Налог\"" << 0 << "";
        QTest::newRow("drop-down differs")
            << "expect Form1.Combo1 Пени" << 1 << "line 1: expected \"Пени\" but was \"Налог\"";
        QTest::newRow("hidden control") << "expect Form1.Combo10 \"Месячные платежи\"" << 0 << "";
        QTest::newRow("check box") << "expect Form1.Check3 0" << 0 << "";
        QTest::newRow("disabled button") << "expect Form1.Command3 0" << 0 << "";
        QTest::newRow("enabled button")
            << "expect Form1.Command2 0" << 1 << "line 1: expected \"0\" but was \"1\"";
        QTest::newRow("date picker") << "expect Form1.DTPicker3 15.01.2024" << 0 << "";
        QTest::newRow("chosen entries") << "expect Form1.List1 \"1,3\"" << 0 << "";
        QTest::newRow("label") << "expect Form1.Label1 \"№ п/п, начиная с:\"" << 0 << "";
        QTest::newRow("text box") << "expect Form1.Text1 \"\"" << 1
                                  << "line 1: expected \"\" but was \"1\"";
        QTest::newRow("folder") << "expect Form1.Dir1 /start" << 0 << "";
        QTest::newRow("no such control") << "expect Form1.Nope 1" << 2
                                         << "line 1: expect Form1.Nope 1: no control Nope in Form1";
        QTest::newRow("window not shown")
            << "expect Form2.L1 rows 3" << 2
            << "line 1: expect Form2.L1 rows 3: no window Form2 is shown";
        QTest::newRow("rows") << "Form1.Command2 click\nexpect Form2.L1 rows 3" << 0 << "";
        QTest::newRow("rows differ") << "Form1.Command2 click\nexpect Form2.L1 rows 2" << 1
                                     << "line 2: expected \"2\" but was \"3\"";
        QTest::newRow("cell") << "Form1.Command2 click\nexpect Form2.L1 3 29 43" << 0 << "";
        QTest::newRow("cell differs") << "Form1.Command2 click\nexpect Form2.L1 1 1 N6" << 1
                                      << "line 2: expected \"N6\" but was \"N5\"";
        QTest::newRow("no such row") << "Form1.Command2 click\nexpect Form2.L1 4 1 x" << 1
                                     << "line 2: expected \"x\" but there is no row 4 (3 rows)";
        QTest::newRow("selected row")
            << "Form1.Command2 click\nForm2.L1 pick 2\nexpect Form2.L1 2" << 0 << "";
    }
    void expectations() {
        QFETCH(QString, script);
        QFETCH(int, code);
        QFETCH(QString, stop);
        Forms f;
        ScriptSession s;
        QCOMPARE(f.run(script, s), code);
        QCOMPARE(s.stop_line(), stop);
        QCOMPARE(f.log.contains("after"), code == 0);
    }

    void refused_steps_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("stop");
        QTest::newRow("hidden") << "Form1.Combo10 select 0"
                                << "line 1: Form1.Combo10 select 0: Form1.Combo10 is hidden";
        QTest::newRow("disabled") << "Form1.Command3 click"
                                  << "line 1: Form1.Command3 click: Form1.Command3 is disabled";
        QTest::newRow("wrong kind") << "Form1.Combo1 click"
                                    << "line 1: Form1.Combo1 click: Form1.Combo1 is not a button";
        QTest::newRow("no control") << "Form1.Nope click"
                                    << "line 1: Form1.Nope click: no control Nope in Form1";
        QTest::newRow("other window") << "Form2.Command9 click"
                                      << "line 1: Form2.Command9 click: no window Form2 is shown";
        QTest::newRow("outer window while inner shown")
            << "Form1.Command2 click\nForm1 close"
            << "line 2: Form1 close: no window Form1 is shown";
        QTest::newRow("no entry")
            << "Form1.Combo1 select 4"
            << "line 1: Form1.Combo1 select 4: no entry 4 in Form1.Combo1 (4 entries)";
        QTest::newRow("no entry text")
            << "Form1.Combo1 select \"b  c\""
            << "line 1: Form1.Combo1 select \"b  c\": no entry \"b  c\" in Form1.Combo1";
        QTest::newRow("no list entry")
            << "Form1.List1 choose 4"
            << "line 1: Form1.List1 choose 4: no entry 4 in Form1.List1 (4 entries)";
        QTest::newRow("no row") << "Form1.Command2 click\nForm2.L1 tick 4"
                                << "line 2: Form2.L1 tick 4: no row 4 in Form2.L1 (3 rows)";
        QTest::newRow("double click with no row")
            << "Form1.Command2 click\nForm2.L1 dblclick"
            << "line 2: Form2.L1 dblclick: no row is selected in Form2.L1";
        QTest::newRow("date out of range") << "Form1.DTPicker3 date 01.01.1700"
                                           << "line 1: Form1.DTPicker3 date 01.01.1700: the date "
                                              "is outside the range of Form1.DTPicker3";
        QTest::newRow("no folder")
            << "Form1.Dir1 path /no/such/folder"
            << "line 1: Form1.Dir1 path /no/such/folder: no folder \"/no/such/folder\"";
        QTest::newRow("answer with no box") << "answer OK"
                                            << "line 1: answer with no box shown";
        QTest::newRow("box when the next step is no answer")
            << "Form1.Command5 click\nForm1 close"
            << "line 2: message box shown when the next step is not an answer: \"Сохранить?\"";
        QTest::newRow("button the box lacks")
            << "Form1.Command5 click\nanswer OK"
            << "line 2: answer OK: the box has no OK button: \"Сохранить?\"";
    }
    void refused_steps() {
        QFETCH(QString, script);
        QFETCH(QString, stop);
        Forms f;
        ScriptSession s;
        QCOMPARE(f.run(script, s), 2);
        QCOMPARE(s.stop_line(), stop);
        // The stop leaves the module without running the rest, and no window stays up.
        QVERIFY(!f.log.contains("after"));
        QVERIFY(!f.form1.isVisible());
        QVERIFY(!f.form2.isVisible());
    }

    // Steps the module never reached are an error too.
    void steps_left_over() {
        Forms f;
        ScriptSession s;
        QCOMPARE(f.run("Form1 close\nForm1.Combo1 select 1", s), 2);
        QCOMPARE(s.stop_line(), "line 2: Form1.Combo1 select 1: no window Form1 is shown");
        QCOMPARE(f.log, QStringList{"after"});
    }

    void answer_text_must_match() {
        Forms f;
        ScriptSession s;
        QCOMPARE(f.run("Form1.Command5 click\nanswer Yes \"Сохранить\"", s), 1);
        QCOMPARE(s.stop_line(), "line 2: expected \"Сохранить\" but was \"Сохранить?\"");
        QVERIFY(!f.log.contains("answer Yes"));
    }

    // Nested windows and boxes consume the steps after the one that opened them; the
    // transcript lists them in order, with dumps written where they ran.
    void transcript_lines() {
        Forms f;
        ScriptSession s;
        QCOMPARE(
            f.run("Form1.Command2 click\nForm2.Command9 click\nanswer OK \"Готово\"\n"
                  "dump Form2.L1\nForm2 close\nForm1.Command5 click\nanswer No \"Сохранить?\"\n"
                  "Form1.Combo1 select 2\ndump Form1.Combo1\ndump Form1.Check3\n",
                  s),
            0);
        const QString gap(26, QLatin1Char('\t'));
        const QString tail = "ноль рублей \"00\"\t";
        QCOMPARE(s.transcript(),
                 QStringList({
                     "show Form1",
                     "show Form2",
                     "msgbox title=\"\" icon=information buttons=OK \"Готово\" -> OK",
                     "L1 1 1 #000000 N5\t01.02.2024" + gap + tail + "41",
                     "L1 2 0 #00c0c0 N6\t01.02.2024" + gap + tail + "42",
                     "L1 3 1 #000000 N7\t01.02.2024" + gap + tail + "43",
                     "close Form2",
                     "msgbox title=\"Вальмора-2: Фискалон\" icon=question buttons=YesNo "
                     "\"Сохранить?\" -> No",
                     "Form1.Combo1 = \"Пени \"\"А\"\"\"",
                     "Form1.Combo1[0] = \"Налог\"",
                     "Form1.Combo1[1] = \"b c\"",
                     "Form1.Combo1[2] = \"Пени \"\"А\"\"\"",
                     "Form1.Combo1[3] = \"b c\"",
                     "Form1.Check3 = \"0\"",
                     "close Form1",
                 }));
        QVERIFY(f.log.contains("answer No"));

        QTemporaryDir dir;
        const QString path = dir.filePath("t.txt");
        QVERIFY(s.write_transcript(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), (s.transcript().join('\n') + '\n').toUtf8());
    }

    // With the steps used up, boxes take their default button and windows their close box.
    void defaults_after_the_steps() {
        Forms f;
        ScriptSession s;
        s.set_echo_stops(false);
        QVERIFY(ScriptSession::parse("Form1.Command2 click\n", s, nullptr));
        s.run([&] {
            tavrelis::platform::show_modal(f.form1);
            msgbox("Выйти?", vbYesNo | vbQuestion | vbDefaultButton2, "T");
            msgbox("Да?", vbYesNo);
            tavrelis::platform::show_modal(f.form2);
        });
        QCOMPARE(s.exit_code(), 0);
        QCOMPARE(s.transcript(),
                 QStringList({"show Form1", "show Form2", "close Form2", "close Form1",
                              "msgbox title=\"T\" icon=question buttons=YesNo \"Выйти?\" -> No",
                              "msgbox title=\"\" icon=none buttons=YesNo \"Да?\" -> Yes",
                              "show Form2", "close Form2"}));
    }

    // The stop is no std::exception: the module's own handlers let it through.
    void stop_passes_module_handlers() {
        Forms f;
        ScriptSession s;
        QCOMPARE(f.run("Form1.Command7 click\nForm2.Nope click", s), 2);
        QVERIFY(!f.log.contains("caught"));
        QVERIFY(!f.log.contains("after"));
    }

    // A module that swallows the stop meets it again at its next box.
    void swallowed_stop_returns() {
        Forms f;
        ScriptSession s;
        s.set_echo_stops(false);
        QVERIFY(ScriptSession::parse("Form1.Nope click\n", s, nullptr));
        s.run([&] {
            try {
                tavrelis::platform::show_modal(f.form1);
            } catch (...) {
            }
            msgbox("после");
            f.log << "after";
        });
        QCOMPARE(s.exit_code(), 2);
        QCOMPARE(s.stop_line(), "line 1: Form1.Nope click: no control Nope in Form1");
        QVERIFY(!f.log.contains("after"));
    }

    void endless_sessions_stop() {
        Stubborn stubborn;
        stubborn.setObjectName("Form6");
        ScriptSession s;
        s.set_echo_stops(false);
        s.run([&] { tavrelis::platform::show_modal(stubborn); });
        QCOMPARE(s.exit_code(), 2);
        QCOMPARE(s.stop_line(), "Form6 does not close with its close box");

        Forms f;
        ScriptSession again;
        again.set_echo_stops(false);
        again.run([&] {
            while (true)
                tavrelis::platform::show_modal(f.form1);
        });
        QCOMPARE(again.exit_code(), 2);
    }

    void load_file() {
        QTemporaryDir dir;
        const QString path = dir.filePath("s.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# сценарий\r\nForm1.Combo1 select \"Пени \"\"А\"\"\"\r\n");
        file.close();
        Forms f;
        ScriptSession s;
        QString error;
        QVERIFY(ScriptSession::load(path, s, &error));
        s.run([&] { tavrelis::platform::show_modal(f.form1); });
        QCOMPARE(s.exit_code(), 0);
        QCOMPARE(f.combo1->currentIndex(), 2);

        ScriptSession missing;
        QVERIFY(!ScriptSession::load(dir.filePath("none.txt"), missing, &error));
        QCOMPARE(missing.exit_code(), 2);
        QCOMPARE(missing.stop_line(), error);
    }
};

QTEST_MAIN(TestScript)
#include "tst_script.moc"
