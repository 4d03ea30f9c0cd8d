#pragma once

#include "support/demo_host.h"

#include <QString>
#include <QStringList>
#include <functional>

// Demo installations grown far past their usual size, the session that runs over them and
// what must then hold, for the scale test and the scale benchmark alike.
namespace testsupport::scale {

struct Case {
    QString name;
    QString settlements_sql, taxpayer_sql; // run on the demo's databases
    QStringList script;
    // What the session left that is not as it must be; empty when every text came through.
    std::function<QStringList(const DemoHost&)> check;
};

// n accruals on the taxpayer's first card formed in one run.
Case accruals(int n);
// A receiver name of `bytes` bytes for the taxpayer's orders: formed, exported and posted,
// and printed when `print`.
Case long_receiver(int bytes, bool print);
// n branches of the taxpayer, each with its own accrual, receiver and requisites, formed in
// one run, and exported when `exported`.
Case branches(int n, bool exported);
// n more reporting periods; one of them formed and posted.
Case periods(int n);

} // namespace testsupport::scale
