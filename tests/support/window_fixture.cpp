#include "support/window_fixture.h"

#include "common/form4.h"
#include "common/order_list.h"
#include "common/settings.h"
#include "common/shared.h"
#include "data/connection.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "platform/env.h"
#include "support/forming_data.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

namespace testsupport {

tavrelis::Form1& open_formation(int report_set) {
    tavrelis::Form1& f1 = tavrelis::form1();
    const tavrelis::SettingsPaths paths = tavrelis::settings_paths();
    f1.S = paths.S;
    f1.bez = paths.bez;
    f1.Text1->setText(tavrelis::settings_startup(paths));
    f1.exiter = true;
    f1.req1(report_set);
    return f1;
}

void WindowFixture::init() {
    const bool intact = host_ && host_->settlements_value("select count(*) from sqlite_master "
                                                          "where name='payments'") == "1";
    if (!intact)
        host_ = std::make_unique<TestHost>();
    QVERIFY(host_->settlements("delete from payments; drop table if exists bank_uploads;"));
    session_ = std::make_unique<tavrelis::Session>();
    rec_ = std::make_unique<tavrelis::platform::RecordingUi>();
    scope_ = std::make_unique<tavrelis::platform::UiScope>(*rec_);
}

void WindowFixture::cleanup() {
    scope_.reset();
    rec_.reset();
    session_.reset();
}

void FormingFixture::init() {
    tavrelis::platform::set_today(forming::kToday);
    host_ = std::make_unique<TestHost>();
    QVERIFY(forming::standard(*host_));
    session_ = std::make_unique<tavrelis::Session>();
    rec_ = std::make_unique<tavrelis::platform::RecordingUi>();
    scope_ = std::make_unique<tavrelis::platform::UiScope>(*rec_);
}

void FormingFixture::cleanup() {
    scope_.reset();
    rec_.reset();
    session_.reset(); // closes the connections before the folder goes
    host_.reset();
    tavrelis::platform::set_today(QDate());
}

tavrelis::Form1& FormingFixture::open() {
    tavrelis::Form1& f1 = open_formation(forming::kReportSet);
    f1.Combo1->setCurrentIndex(f1.Combo1->findText(forming::kKbk));
    return f1;
}

QString WindowFixture::stored(int oper_id, const QString& column) const {
    return host_->settlements_value(
        QStringLiteral("select %1 from payments where oper_id=%2").arg(column).arg(oper_id));
}

void WindowFixture::open_settlements() {
    tavrelis::Shared& sh = tavrelis::shared();
    sh.cnn.set_connection_string(
        tavrelis::data::access_connection_string(host_->settlements_file()));
    sh.cnn.open();
}

tavrelis::Form2& WindowFixture::list(const QList<int>& ids, int last_number) {
    open_settlements();
    tavrelis::shared().last_number = last_number;
    tavrelis::Form2& f = tavrelis::form2();
    for (int id : ids) {
        tavrelis::Order o;
        o[tavrelis::Field::OperId] = QString::number(id);
        f.orders().append(o);
    }
    f.refresh_list();
    if (f.row_count() > 0)
        f.L1->setCurrentIndex(f.orders().index(0, 1));
    return f;
}

} // namespace testsupport
