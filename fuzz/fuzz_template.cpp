// The template writer on any template, key and value: put_value, xml_put on the session's
// buffer, and to_utf8 on any text.

#include "fuzz_support.h"
#include "output/template_buffer.h"
#include "platform/errors.h"

#include <QStringDecoder>
#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>

using namespace tavrelis;
using fuzzsupport::check;

namespace {

QString text(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Letters and marks to_utf8 turns into their UTF-8 form; anything else of windows-1251 above
// 127 goes in as its single byte.
bool converted(QChar c) {
    const char16_t u = c.unicode();
    return u < 128 || (u >= u'А' && u <= u'я') || u == u'Ё' || u == u'ё' || u == u'№' || u == u'—';
}

void to_utf8_properties(const QString& value) {
    const QByteArray out = to_utf8(value);
    check(!out.contains('&'), "to_utf8 leaves no ampersand", value);
    check(out.size() >= value.toUcs4().size(), "to_utf8 gives a byte or more for each character",
          value);
    if (std::all_of(value.begin(), value.end(), converted)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString back = utf8(out);
        check(!utf8.hasError() && back == QString(value).replace(u'&', u' '),
              "to_utf8 of a Russian text is its UTF-8 form", value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString kluch = text(in.ConsumeRandomLengthString(64));
    const std::string raw_value = in.ConsumeRandomLengthString(256);
    const std::string raw_template = in.ConsumeRemainingBytesAsString();
    const QByteArray znach(raw_value.data(), qsizetype(raw_value.size()));
    const QByteArray templ(raw_template.data(), qsizetype(raw_template.size()));

    to_utf8_properties(text(raw_value));

    QByteArray filled;
    bool found = true;
    try {
        filled = put_value(templ, kluch, znach);
    } catch (const Error& e) {
        check(e.description().startsWith(QStringLiteral("В шаблоне платежного поручения нет поля")),
              "put_value fails only on a missing field", e.description());
        found = false;
    }
    if (found)
        check(filled.size() == templ.size() - 1 + znach.size() && filled.contains(znach),
              "put_value replaces one character by the value", kluch);

    // With the field added at the end the value always finds its place; for a key of plain
    // name characters the template did not hold, that place is the added field.
    const QByteArray key = '<' + kluch.toUtf8() + '>';
    const QByteArray with_field = templ + key + "<w:t>X";
    const QByteArray added = put_value(with_field, kluch, znach);
    check(added.size() == with_field.size() - 1 + znach.size(), "put_value finds an added field",
          kluch);
    const bool plain = std::all_of(kluch.begin(), kluch.end(),
                                   [](QChar c) { return c.isLetterOrNumber() || c == u'_'; });
    if (plain && !templ.contains(key))
        check(added == templ + key + "<w:t>" + znach, "put_value fills the added field", kluch);
    if (!found)
        return 0;

    // The session's buffer takes the same value in the same place.
    TemplateBuffer& buffer = template_buffer();
    buffer.RB1 = templ;
    xml_put(kluch, znach);
    check(buffer.RB1 == filled, "xml_put fills the buffer as put_value fills a text", kluch);
    return 0;
}
