// The settings file reader on any bytes. parse_settings is what settings_startup reads the
// file with; it touches no folder, so a first line naming one creates nothing here.

#include "common/settings.h"
#include "fuzz_support.h"
#include "platform/codepage.h"
#include "platform/errors.h"

#include <QStringList>
#include <optional>

using namespace tavrelis;
using fuzzsupport::check;

namespace {

std::optional<SettingsValues> parse(const QByteArray& bytes) {
    try {
        return parse_settings(bytes);
    } catch (const Error& e) {
        static const QStringList known{"Input past end of file", "Type mismatch", "Overflow"};
        check(known.contains(e.description()), "parse_settings fails only as the file read did",
              e.description());
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<SettingsValues> v = parse(fuzzsupport::bytes(data, size));
    if (!v)
        return 0;
    // What was read is what a write puts back: the same three lines (a line holds no line
    // feed, so the folder is one line again), read again.
    const QString text = v->up_path + "\r\n" + print_number(v->last_number) + "\r\n" +
                         print_number(v->last_year) + "\r\n";
    const std::optional<SettingsValues> again = parse(platform::to_cp1251(text));
    check(again.has_value(), "what a write puts back reads again", text);
    check(again->last_number == v->last_number && again->last_year == v->last_year,
          "the numbers survive a write and a read", text);
    check(platform::to_cp1251(again->up_path) == platform::to_cp1251(v->up_path),
          "the folder survives a write and a read", text);
    return 0;
}
