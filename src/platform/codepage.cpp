#include "platform/codepage.h"

#include <QtAlgorithms>
#include <cstring>

#include <QHash>

namespace tavrelis::platform {

namespace {

// Code points of the bytes 0x80..0xFF; 0xFFFD marks the one byte with no character.
const char16_t kUpper[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

const QHash<char16_t, char>& reverse() {
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int i = 0; i < 128; ++i)
            if (kUpper[i] != 0xFFFD)
                t.insert(kUpper[i], char(0x80 + i));
        return t;
    }();
    return table;
}

} // namespace

QByteArray to_cp1251(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    const auto& rev = reverse();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        auto it = rev.constFind(c);
        if (it != rev.constEnd()) {
            out.append(*it);
            continue;
        }
        // A surrogate pair is one character: one question mark for it.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out.append('?');
    }
    return out;
}

QString from_cp1251(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.append(b < 0x80 ? QChar(b) : QChar(kUpper[b - 0x80]));
    }
    return out;
}

bool encodable_cp1251(QChar c) {
    return c.unicode() < 0x80 || reverse().contains(c.unicode());
}

// The length of a text in UTF-8; -1 when it holds a lone surrogate, which UTF-8 cannot carry.
qsizetype utf8_size(QStringView text) {
    const char16_t* p = text.utf16();
    const qsizetype size = text.size();
    qsizetype n = 0;
    qsizetype i = 0;
    // Four characters at a time while all are below U+0800 (Latin and Cyrillic, 1 or 2 bytes
    // each): 2 bytes for each with a bit above the seventh.
    constexpr quint64 kHigh = 0xFF80FF80FF80FF80, kAbove = 0xF800F800F800F800;
    constexpr quint64 kLow = 0x7FFF7FFF7FFF7FFF, kTop = 0x8000800080008000;
    for (; i + 4 <= size; i += 4) {
        quint64 w;
        std::memcpy(&w, p + i, sizeof w);
        if (w & kAbove)
            break;
        const quint64 high = w & kHigh;
        // The four top bits summed by one multiplication: a population count is a library
        // call on a processor not told to have the instruction.
        const quint64 flags = ((((high & kLow) + kLow) | high) & kTop) >> 15;
        n += 4 + qsizetype((flags * 0x0001000100010001) >> 48);
    }
    for (; i < size; ++i) {
        const char16_t c = p[i];
        if (!QChar::isSurrogate(c)) {
            n += 1 + (c >= 0x80) + (c >= 0x800);
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(p[i + 1])) {
            n += 4;
            ++i;
        } else {
            return -1;
        }
    }
    return n;
}

// Writes a text utf8_size found whole; returns where it ends.
char* put_utf8(char* out, QStringView text) {
    qsizetype i = 0;
    // Four ASCII characters at a time: digits, codes and accounts are most of an order.
    constexpr quint64 kNotAscii = 0xFF80FF80FF80FF80;
    for (; i + 4 <= text.size(); i += 4) {
        quint64 w;
        std::memcpy(&w, text.utf16() + i, sizeof w);
        if (w & kNotAscii)
            break;
        const quint32 bytes = quint32((w & 0xFF) | ((w >> 8) & 0xFF00) | ((w >> 16) & 0xFF0000) |
                                      ((w >> 24) & 0xFF000000));
        std::memcpy(out, &bytes, sizeof bytes);
        out += 4;
    }
    for (; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (!QChar::isSurrogate(c)) {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        } else {
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
            *out++ = char(0xF0 | (c >> 18));
            *out++ = char(0x80 | ((c >> 12) & 0x3F));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace tavrelis::platform
