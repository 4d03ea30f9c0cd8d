#include "entry/class1.h"

#include "common/form4.h"
#include "common/session.h"
#include "common/settings.h"
#include "common/shared.h"
#include "common/window.h"
#include "forming/form1.h"
#include "output/bank_upload.h"
#include "output/form2.h"
#include "platform/errors.h"
#include "platform/objects.h"
#include "platform/ui.h"

#include <QLineEdit>

namespace tavrelis {

namespace {

constexpr int kMinimumHostBuild = 93;

} // namespace

bool Class1::create_version() {
    try {
        ver = platform::factory().create_version();
    } catch (const std::exception&) {
        ver.reset();
    }
    return ver != nullptr;
}

Class1::Class1() = default;
Class1::~Class1() = default;

void Class1::porvik(int& acc_id) {
    platform::use_russian_qt_texts();
    if (!create_version()) {
        platform::msgbox(
            QStringLiteral("Не удалось создать объект версии \"Вальмора-2: Фискалон\""),
            platform::vbCritical, kTitle);
        return;
    }
    if (ver->VersionAssemble() < kMinimumHostBuild) {
        platform::msgbox(QStringLiteral("Версия модуля \"Платежные поручения\" выше, чем версия "
                                        "программы \"Вальмора-2: Фискалон\". Обновите программу"),
                         platform::vbCritical, kTitle);
        return;
    }
    if (acc_id < 1)
        return;

    // Every window of this call, and with them the shared values, end with it.
    Session session;
    int step = 4;
    try {
        Shared& sh = shared();
        Form1& f1 = form1();
        step = 5;
        f1.exiter = true;

        step = 6;
        const SettingsPaths paths = settings_paths();
        f1.S = paths.S;
        f1.bez = paths.bez;
        f1.Text1->setText(settings_startup(paths));

        step = 7;
        f1.req1(acc_id);

        step = 8;
        for (;;) {
            platform::show_modal(form1());
            if (form1().exiter)
                break;
            settle_uploads_or_say();
            platform::show_modal(form2());
            if (form1().exiter)
                break;
            form1().exiter = true;
            form1().req1(acc_id);
            form1().init_();
        }

        step = 9;
        if (sh.cnn.state() == data::Connection::Open)
            sh.cnn.close();
        if (sh.cnn2.state() == data::Connection::Open)
            sh.cnn2.close();
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Возникла ошибка в модуле porvik"), step, e);
    }
}

} // namespace tavrelis
