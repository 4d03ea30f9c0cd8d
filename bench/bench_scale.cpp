// Scale without failure: 100,000 accruals in one forming, a 1 MB receiver name (formed,
// printed, exported, posted), 2,000 branches (formed and exported) and 5,000 periods, each on
// a demo installation of its own, run by tavrelis-host on a script. Fails when a run fails or
// a text does not come through whole; prints each run's wall time and the host's peak
// resident memory.

#include "scale.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    using namespace testsupport;
    bool ok = dir.isValid();
    for (const scale::Case& c : {scale::accruals(100000), scale::long_receiver(1 << 20, true),
                                 scale::branches(2000, true), scale::periods(5000)}) {
        const DemoHost p{dir.filePath(c.name)};
        if (!p.make(c.settlements_sql, c.taxpayer_sql)) {
            std::printf("%-14s: the installation could not be made\n", qPrintable(c.name));
            ok = false;
            continue;
        }
        QElapsedTimer t;
        t.start();
        const HostRun run = run_host(p, c.script, nullptr, true);
        const double seconds = double(t.elapsed()) / 1000;
        QStringList problems = run.exit_code == 0
                                   ? c.check(p)
                                   : QStringList{QStringLiteral("exit %1: %2")
                                                     .arg(run.exit_code)
                                                     .arg(run.stderr_text.trimmed())};
        ok = ok && problems.isEmpty();
        std::printf("%-14s: %7.1f s, peak resident memory %7.1f MB, %s\n", qPrintable(c.name),
                    seconds, double(run.peak_kb) / 1024,
                    problems.isEmpty()
                        ? "every text intact"
                        : qPrintable(QString::number(problems.size()) + " problems:\n  " +
                                     problems.mid(0, 10).join("\n  ")));
        std::fflush(stdout);
    }
    return ok ? 0 : 1;
}
