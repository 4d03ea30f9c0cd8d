// From the host's call of porvik to the filled formation window, on the demo installation:
// version object, settings, both connections, req1's queries and the window's filling.
// Compared with req1's own statements run in a bare loop on the same databases.

#include "demo.h"

#include "data/bare_loop.h"
#include "data/statement_log.h"
#include "entry/class1.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "platform/registry_file.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int rounds = 15;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The statements req1 sends for the demo's legal person, in SQLite's form.
const char* const taxpayer_sql[] = {
    "select personid from accstream where id=1",
    "select person.type,personrealid from person where id=11",
    "select inn,kpp from legalperson where id=1",
    "select person.type,personrealid from person where id=11",
    "select fullname,inn,kpp,shortname from legalperson where id=1",
    "SELECT name || ' ' || the_year, time_id FROM time_by_month, report_time WHERE "
    "time_by_month.REPORT_ID = report_time.report_id and the_year>=2006 and "
    "report_time.report_id not in (17,18,21,22,23,101) ORDER BY time_by_month.TIME_ID DESC",
    "select childpersonid from branches where parentpersonid=11",
    "select person.type,personrealid from person where id=12",
    "select fullname,inn,kpp,shortname from legalperson where id=2",
    "select id from accstream where personid=12",
    "select person.type,personrealid from person where id=13",
    "select fullname,inn,kpp,shortname from legalperson where id=3",
    "select id from accstream where personid=13",
};

double bare_seconds(const QString& data) {
    std::vector<std::string> tp(std::begin(taxpayer_sql), std::end(taxpayer_sql));
    for (int code = 1; code <= 8; ++code)
        tp.push_back("select tax_name,big_code from nsi_taxlist where tax_code=" +
                     std::to_string(code));
    return tavrelis::data::bare_loop(data + "/Valmora2.mdb", tp).wall +
           tavrelis::data::bare_loop(
               data + "/Fsk_Base.mdb",
               {"select distinct taxcode from fsk_cardlist where accstream_id=1"})
               .wall;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("APPDATA", QFile::encodeName(dir.filePath("appdata")));
    qputenv("HOME", QFile::encodeName(dir.filePath("home")));
    QDir().mkpath(dir.filePath("home"));
    QString error;
    if (!host::make_demo(dir.filePath("host"), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    tavrelis::platform::set_registry_file(dir.filePath("host/registry.reg"));

    std::vector<double> module, bare;
    for (int i = 0; i < rounds; ++i) {
        tavrelis::platform::RecordingUi ui;
        tavrelis::platform::UiScope scope(ui);
        QElapsedTimer t;
        double shown = 0;
        ui.on_show.push_back([&](QDialog&) { shown = t.nsecsElapsed() / 1e9; });
        t.start();
        int acc = host::demo_legal_report_set;
        tavrelis::Class1().porvik(acc);
        module.push_back(shown);
        bare.push_back(bare_seconds(dir.filePath("host/Data")));
    }
    const double m = median(module), b = median(bare);
    std::printf("porvik to the filled formation window: %.3f s (median of %d; budget 0.5 s)\n", m,
                rounds);
    std::printf("req1's statements in a bare loop:      %.3f s; ratio %.1f\n", b, m / b);
    return 0;
}
