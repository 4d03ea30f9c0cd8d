#include "output/template_buffer.h"

#include "common/session.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>

#include <cstring>

namespace tavrelis {

namespace {

// Each failed save moves on to the next numbered name; a temporary folder that takes none of
// these is not going to take the next one either.
constexpr int kSaveAttempts = 100;

QString in_temp(const QString& name) {
    return QDir(platform::temp_folder()).filePath(name);
}

bool save_bytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = f.write(bytes) == bytes.size() && f.flush();
    f.close();
    return written && f.error() == QFileDevice::NoError;
}

} // namespace

TemplateBuffer& template_buffer() {
    return Session::current().get<TemplateBuffer>();
}

QString template_file() {
    return QDir(platform::module_folder()).filePath(QStringLiteral("Templates/Payments.xml"));
}

QString filled_file(const QString& suffix) {
    return in_temp(QStringLiteral("result") + suffix + QStringLiteral(".xml"));
}

QString preview_file() {
    return in_temp(QStringLiteral("preview.htm"));
}

void xml_loader() {
    QFile f(template_file());
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не найден шаблон платежного поручения \"") +
                    QDir::toNativeSeparators(f.fileName()) + QStringLiteral("\""));
    template_buffer().RB1 = f.readAll();
}

namespace {

// Where a field's value goes: the first character of the run text after its key.
qsizetype value_position(const QByteArray& text, const QString& kluch) {
    static const QByteArray run_text = QByteArrayLiteral("<w:t>");
    const QByteArray key = '<' + kluch.toUtf8() + '>';
    // The C library's memmem: QByteArray::indexOf and std::string_view::find stop at every
    // "<" of the markup.
    const auto find = [&text](const QByteArray& what, qsizetype from) -> qsizetype {
        const void* at = ::memmem(text.constData() + from, size_t(text.size() - from),
                                  what.constData(), size_t(what.size()));
        return at ? static_cast<const char*>(at) - text.constData() : -1;
    };
    const qsizetype p = find(key, 0);
    const qsizetype q = p < 0 ? -1 : find(run_text, p + 1);
    if (q < 0 || q + run_text.size() >= text.size())
        throw Error(QStringLiteral("В шаблоне платежного поручения нет поля ") +
                    QString::fromUtf8(key));
    return q + run_text.size();
}

} // namespace

QByteArray put_value(const QByteArray& text, const QString& kluch, const QByteArray& znach) {
    QByteArray out = text;
    return out.replace(value_position(text, kluch), 1, znach);
}

// In place: a filled template is copied once, not once a field.
void xml_put(const QString& kluch, const QByteArray& znach) {
    TemplateBuffer& b = template_buffer();
    b.RB1.replace(value_position(b.RB1, kluch), 1, znach);
}

void xml_saver() {
    TemplateBuffer& b = template_buffer();
    b.next_file.clear();
    for (int count = 0; !save_bytes(filled_file(b.next_file), b.RB1);) {
        if (++count >= kSaveAttempts)
            throw Error(QStringLiteral("Не удалось сохранить заполненный бланк во временной "
                                       "папке \"") +
                        QDir::toNativeSeparators(platform::temp_folder()) + QStringLiteral("\""));
        b.next_file = QString::number(count);
    }
}

QByteArray to_utf8(const QString& text) {
    const QByteArray codes = platform::to_cp1251(text);
    QByteArray out;
    out.reserve(codes.size() * 2);
    for (const char ch : codes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 38) {
            out.append(' ');
        } else if (c == 151) {
            out.append("\xE2\x80\x94", 3);
        } else if (c == 168) {
            out.append("\xD0\x81", 2);
        } else if (c == 184) {
            out.append("\xD1\x91", 2);
        } else if (c == 185) {
            out.append("\xE2\x84\x96", 3);
        } else if (c >= 192 && c <= 239) {
            out.append(char(208));
            out.append(char(c - 48));
        } else if (c >= 240) {
            out.append(char(209));
            out.append(char(c - 112));
        } else {
            out.append(ch);
        }
    }
    return out;
}

} // namespace tavrelis
