// The amount in words on any double: NaN, infinities, negatives, subnormals, the huge. An
// amount the words cannot name shows the error box; no window may appear, so a RecordingUi
// takes the boxes (it needs no application object).

#include "common/amount.h"
#include "common/numbers.h"
#include "fuzz_support.h"
#include "platform/recording_ui.h"

#include <QRegularExpression>
#include <cmath>
#include <cstring>

using namespace tavrelis;
using fuzzsupport::check;

namespace {

platform::RecordingUi& recording() {
    static platform::RecordingUi ui;
    static const bool installed = (platform::set_ui(&ui), true);
    (void)installed;
    return ui;
}

const QRegularExpression
    tail_shape(QStringLiteral("(рубль|рубля|рублей) [0-9]{2} (копейка|копейки|копеек)$"));

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::RecordingUi& ui = recording();
    double v = 0;
    std::memcpy(&v, data, size < sizeof v ? size : sizeof v);
    const QString detail = number_text(v);

    ui.boxes.clear();
    ui.events.clear();
    const QString whole = d_sumpro(v);
    const bool nameable = std::isfinite(v) && std::fabs(v) < 1e12;
    check(ui.boxes.size() == (nameable ? 0 : 1), "d_sumpro shows a box exactly when it cannot name",
          detail);
    check(whole.isEmpty() == !nameable, "d_sumpro names every amount below 10^12", detail);
    check(whole.isEmpty() || whole.endsWith(u' '), "d_sumpro ends in a blank", whole);

    ui.boxes.clear();
    ui.events.clear();
    const QString words = sum_rub_kop(v);
    check(ui.boxes.size() == (nameable ? 0 : 1), "sum_rub_kop shows the d_sumpro box only", detail);
    check(words.startsWith(whole), "sum_rub_kop starts with d_sumpro", detail + " : " + words);
    check(tail_shape.match(words).hasMatch(), "sum_rub_kop ends in roubles and kopecks",
          detail + " : " + words);
    return 0;
}
