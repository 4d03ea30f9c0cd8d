// Texts and lists far past their usual size go through the runs whole, run by the host
// program on demo installations: a 1 MB receiver name (formed, exported, posted), 2,000
// branches in one forming, 5,000 periods. bench_scale runs bigger cases and reports memory.

#include "support/scale.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestScale : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void scale_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("1 MB receiver name") << 0;
        QTest::newRow("2,000 branches") << 1;
        QTest::newRow("5,000 periods") << 2;
    }
    void scale() {
        QFETCH(int, which);
        const scale::Case c = which == 0   ? scale::long_receiver(1 << 20, false)
                              : which == 1 ? scale::branches(2000, false)
                                           : scale::periods(5000);
        const DemoHost p{dir_.filePath(c.name)};
        QVERIFY(p.make(c.settlements_sql, c.taxpayer_sql));
        const HostRun run = run_host(p, c.script);
        QVERIFY2(run.exit_code == 0, qPrintable(run.stderr_text));
        const QStringList problems = c.check(p);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.mid(0, 20).join(u'\n')));
    }
};

QTEST_MAIN(TestScale)
#include "tst_scale.moc"
