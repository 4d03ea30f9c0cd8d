// The bank-client exchange file of 10,000 orders: every order's requisites checked, then the
// whole file built in memory, payments to the tax service checked against the installed
// requisites. Best of a few rounds, thread CPU time beside the wall time.
// Budget: under 0.5 s of wall time.

#include "common/bank_exchange.h"
#include "common/enp.h"
#include "support/bank_order.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

using namespace tavrelis;

constexpr int kOrders = 10000;
constexpr int kRounds = 5;
constexpr double kBudget = 0.5;

double cpu_now() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Orders as the demo forms them: real requisites, ten payers' accounts, a purpose of the
// usual length, dates over a month.
QList<BankOrderFields> orders() {
    BankOrderFields o = testsupport::valid_bank_order();
    o.sum = QStringLiteral("1 234 567,89");
    o.sender = QStringLiteral("Общество с ограниченной ответственностью \"Ромашка\"");
    o.aim = QStringLiteral("Единый налоговый платеж за май 2026 года по сроку 28.05.2026, "
                           "налог на прибыль организаций");
    const QString accounts[] = {"40702810938000000001", "40702810238000000002",
                                "40702810538000000003", "40702810838000000004",
                                "40702810138000000005", "40702810438000000006",
                                "40702810738000000007", "40702810038000000008",
                                "40702810338000000009", "40702810738000000010"};
    QList<BankOrderFields> all;
    all.reserve(kOrders);
    for (int i = 0; i < kOrders; ++i) {
        o.number_ = QString::number(i + 1);
        o.payment_date = QDate(2026, 5, 1).addDays(i % 31).toString(QStringLiteral("dd.MM.yyyy"));
        o.rs_sender = accounts[i % 10];
        all << o;
    }
    return all;
}

} // namespace

int main() {
    const QList<BankOrderFields> all = orders();
    const QDateTime created(QDate(2026, 5, 14), QTime(9, 5, 7));
    // The tax service's requisites as installed beside the module, as the upload reads them.
    const std::optional<EnpRequisites> enp = read_enp_file(enp_file_path());
    if (!enp) {
        std::fprintf(stderr, "no single tax payment requisites in %s\n",
                     qPrintable(enp_file_path()));
        return 1;
    }
    const BudgetRules rules = budget_rules(enp);
    double wall = 1e9, cpu = 1e9;
    qsizetype bytes = 0, problems = 0;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer t;
        const double cpu0 = cpu_now();
        t.start();
        problems = 0;
        for (const BankOrderFields& o : all)
            problems += check_bank_order(o, rules).size();
        bytes = bank_exchange_file(all, created).size();
        wall = std::min(wall, double(t.nsecsElapsed()) / 1e9);
        cpu = std::min(cpu, cpu_now() - cpu0);
    }
    if (problems != 0) {
        std::fprintf(stderr, "unexpected: %lld problems in the orders\n", (long long)problems);
        return 1;
    }
    const bool ok = wall < kBudget;
    std::printf("bench_bank_exchange: %d orders checked and written (%lld bytes), best of %d "
                "rounds: wall %.3f s, cpu %.3f s (budget %.1f s)%s\n",
                kOrders, (long long)bytes, kRounds, wall, cpu, kBudget, ok ? "" : "  OVER BUDGET");
    return ok ? 0 : 2;
}
