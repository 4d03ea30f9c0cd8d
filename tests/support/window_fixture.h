#pragma once

#include "common/session.h"
#include "common/shared.h"
#include "platform/recording_ui.h"
#include "support/testhost.h"

#include <QList>
#include <memory>

namespace tavrelis {
class Form1;
class Form2;
} // namespace tavrelis

namespace testsupport {

// What a test of the module's windows needs: one host installation for the whole case (made
// once, since making one costs disk syncs, and again when a test dropped payments), emptied
// of orders and of the bank upload journal before each test; a session and a recording Ui of
// each test's own.
// The formation window as the entry method shows it: the settings read (their folder made),
// req1 run for the report set.
tavrelis::Form1& open_formation(int report_set);

class WindowFixture {
public:
    void init();    // from the test's init()
    void cleanup(); // from the test's cleanup()

    TestHost& host() { return *host_; }
    tavrelis::platform::RecordingUi& ui() { return *rec_; }
    // A value of the stored order of an accrual.
    QString stored(int oper_id, const QString& column) const;

    // shared().cnn opened on the settlements database.
    void open_settlements();
    // The formed-orders list of the stored orders of these accruals, as a forming leaves it:
    // rebuilt from payments with the counter at last_number, the first row current.
    tavrelis::Form2& list(const QList<int>& ids, int last_number = 0);

private:
    std::unique_ptr<TestHost> host_;
    std::unique_ptr<tavrelis::Session> session_;
    std::unique_ptr<tavrelis::platform::RecordingUi> rec_;
    std::unique_ptr<tavrelis::platform::UiScope> scope_;
};

// What a test of the forming needs: the standard forming data on a new host for each case, the
// module's day at its day, a session and a recording Ui of the case's own.
class FormingFixture {
public:
    void init();    // from the test's init()
    void cleanup(); // from the test's cleanup()
    TestHost& host() { return *host_; }
    tavrelis::platform::RecordingUi& ui() { return *rec_; }
    // The formation window of the taxpayer, its first tax chosen.
    tavrelis::Form1& open();

private:
    std::unique_ptr<TestHost> host_;
    std::unique_ptr<tavrelis::Session> session_;
    std::unique_ptr<tavrelis::platform::RecordingUi> rec_;
    std::unique_ptr<tavrelis::platform::UiScope> scope_;
};

} // namespace testsupport
