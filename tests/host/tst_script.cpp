#include "script.h"

#include <QtTest>

using host::ScriptSession;

// The engine is checked by the scripted sessions under tests/scenarios and their
// transcripts; these are the errors a session script may hold, which no transcript shows.

class TestScript : public QObject {
    Q_OBJECT
private slots:
    void bad_scripts_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error"); // after "line <n>: <the line>: "
        auto row = [](const char* script, const char* error) {
            QTest::newRow(script) << script << error;
        };
        row("Form1.Combo1 frob", "unknown action \"frob\"");
        row("# c\r\n\r\n   \n  # c2\nForm1.Text1 text \"abc", "unterminated quote");
        row("Form1.Text1 text ab\"c", "a quote inside a word that does not start with one");
        row("Form9.Command1 click", "unknown window \"Form9\""); // not a window of the module
        row("Form1.DTPicker3 date 31.02.2024", "bad date \"31.02.2024\"");
        row("Form1.Combo1 select -2", "bad position \"-2\"");
        row("answer Maybe", "unknown answer \"Maybe\"");
        row("expect Form2.L1 1 30 x", "bad column \"30\"");
        row("Form2.L1 tick 0", "bad row \"0\"");
        row("Form1.Command2 click now", "click takes nothing more");
        row("hello", "unknown step");
    }
    // A bad step stops the session before the module runs, naming its line.
    void bad_scripts() {
        QFETCH(QString, script);
        QFETCH(QString, error);
        ScriptSession s;
        s.set_echo_stops(false);
        QString said;
        QVERIFY(!ScriptSession::parse(script, s, &said));
        QCOMPARE(s.exit_code(), 2);
        const QString line = script.split('\n').last();
        QCOMPARE(s.stop_line(),
                 QStringLiteral("line %1: %2: ").arg(script.count('\n') + 1).arg(line) + error);
        QCOMPARE(said, s.stop_line());
        QVERIFY(s.transcript().isEmpty());
    }
};

QTEST_MAIN(TestScript)
#include "tst_script.moc"
