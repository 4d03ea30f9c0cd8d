#pragma once

#include <QHash>
#include <QList>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace testsupport {

// The demo host installation in a folder of its own, with its user's folders, for sessions of
// tavrelis-host on scripts. The demo is laid out for kToday, the day every session runs on.
struct DemoHost {
    static inline const QString kToday = QStringLiteral("05.12.2026");

    QString root;
    QString host() const { return root + "/host"; }
    QString settlements() const { return host() + "/Data/Fsk_Base.mdb"; }
    QString taxpayer() const { return host() + "/Data/Valmora2.mdb"; }
    QString settings() const { return root + "/appdata/V2_Payments/V2_payments.ini"; }
    QString exports() const { return root + "/home/ПП"; } // the default folder
    QString pdfs() const { return root + "/pdf"; }
    QString temp() const { return root + "/temp"; }

    // Makes the demo and runs the statements on it; false, with a warning, on failure.
    bool make(const QString& settlements_sql = {}, const QString& taxpayer_sql = {}) const;
    // Makes the demo with its settlements on the server (none: on files).
    bool make_on(const QString& server) const;
    // A second accountant's desk in root: this desk's databases, folders of its own.
    bool copy_desk_to(const DemoHost& other) const;
    // The first field of the first row of a query on the settlements database.
    QString value(const QString& sql) const;
    // Sessions load the module from a folder of the test's own, whose Templates/ holds the
    // build's form and the given enp.ini (none when null); false on failure.
    bool own_module(const QByteArray* enp_ini);
    QString module{};   // empty: the build's
    QString crash_at{}; // a step at which sessions kill themselves (platform::crash_point)
};

// Kills a session once progress() reaches target, after a random pause of up to pause_ms.
struct KillAt {
    std::function<int()> progress;
    int target = 0;
    QRandomGenerator* rng = nullptr;
    int pause_ms = 0;
};

struct HostRun {
    bool killed = false;
    int exit_code = -1;
    QStringList transcript; // written only by a session that ends by itself
    QString stderr_text;
    qint64 peak_kb = 0; // the host's peak resident memory, as last seen before it ended
};

// One session of tavrelis-host on the installation (report set 1, printing to pdfs()).
// Watching the memory reads the host's /proc status every millisecond.
HostRun run_host(const DemoHost& place, const QStringList& script, const KillAt* kill = nullptr,
                 bool watch_memory = false);

// The payment-order sections of a bank exchange file (windows-1251), each a map of its keys.
QList<QHash<QString, QString>> exchange_sections(const QString& path);

// The numbers ("_N15_") of the orders whose files in a folder are whole, and cut short.
struct OrderFiles {
    QSet<int> whole, cut;
};
OrderFiles order_files(const QString& folder, const QString& ext);

} // namespace testsupport
