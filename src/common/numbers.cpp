#include "common/numbers.h"

#include "platform/errors.h"

#include <QComboBox>
#include <QVarLengthArray>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tavrelis {

namespace {

bool is_digit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Blanks that may separate digit groups: the plain one and the two that Russian number
// formatting produces.
bool is_group_blank(QChar c) {
    return c == u' ' || c == u'\u00A0' || c == u'\u202F';
}

// A number text taken apart without going through binary floating point, so that its
// digits stay exactly as written.
struct DecimalText {
    using Digits = QVarLengthArray<QChar, 32>; // on the stack: amounts are read by the thousand
    bool negative = false;
    Digits whole; // digits only, as written (may be empty: ",5")
    Digits frac;  // digits after the separator, as written
};

QStringView view(const DecimalText::Digits& digits) {
    return {digits.data(), digits.size()};
}

void append_latin1(std::string& out, const DecimalText::Digits& digits) {
    for (QChar c : digits)
        out += char(c.unicode());
}

bool parse_decimal(QStringView text, DecimalText& out) {
    text = text.trimmed();
    const qsizetype n = text.size();
    qsizetype i = 0;
    out = DecimalText{};
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        out.negative = text[i] == u'-';
        ++i;
    }
    bool separator = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (is_digit(c)) {
            out.whole.append(c);
        } else if (is_group_blank(c)) {
            // Only a single blank between two digits counts as a group separator.
            if (!is_digit(text[i - 1]) || i + 1 >= n || !is_digit(text[i + 1]))
                return false;
        } else if (c == u',' || c == u'.') {
            separator = true;
            ++i;
            break;
        } else {
            return false;
        }
    }
    if (separator) {
        for (; i < n; ++i) {
            if (!is_digit(text[i]))
                return false;
            out.frac.append(text[i]);
        }
    }
    return !out.whole.isEmpty() || !out.frac.isEmpty();
}

bool all_zeros(QStringView digits) {
    for (QChar c : digits)
        if (c != u'0')
            return false;
    return true;
}

// Whole digits without leading zeros, in groups of three from the right, "," and the kopecks.
QString grouped(QStringView whole, QStringView kop) {
    QString out;
    out.reserve(whole.size() + whole.size() / 3 + 4);
    for (qsizetype i = 0; i < whole.size(); ++i) {
        const qsizetype left = whole.size() - i; // digits from here to the right end
        if (i > 0 && left % 3 == 0)
            out += u' ';
        out += whole[i];
    }
    out += u',';
    out += kop;
    return out;
}

// The whole digits and the first two decimals of a number text as kopecks; the decimals
// after them are either dropped or decide a rounding, halves going to the even kopeck.
Kopecks kopecks_of(const QString& text, bool round) {
    DecimalText d;
    if (!parse_decimal(text, d))
        throw Error(QStringLiteral("Type mismatch"));
    constexpr quint64 kMax = quint64(std::numeric_limits<qint64>::max());
    quint64 v = 0;
    const auto push = [&v](QChar digit) {
        const quint64 n = quint64(digit.unicode() - u'0');
        if (v > (kMax - n) / 10)
            throw Error(QStringLiteral("Overflow"));
        v = v * 10 + n;
    };
    for (QChar c : d.whole)
        push(c);
    push(d.frac.size() > 0 ? d.frac[0] : u'0');
    push(d.frac.size() > 1 ? d.frac[1] : u'0');
    if (round && d.frac.size() > 2) {
        const QStringView rest = view(d.frac).mid(2);
        const bool up =
            rest[0] > u'5' || (rest[0] == u'5' && (v % 2 != 0 || !all_zeros(rest.mid(1))));
        if (up) {
            if (v == kMax)
                throw Error(QStringLiteral("Overflow"));
            ++v;
        }
    }
    return Kopecks(d.negative ? -qint64(v) : qint64(v));
}

} // namespace

bool read_number(const QString& text, double& value) {
    DecimalText d;
    if (!parse_decimal(text, d))
        return false;
    std::string plain;
    plain.reserve(d.whole.size() + d.frac.size() + 3);
    if (d.negative)
        plain += '-';
    if (d.whole.isEmpty())
        plain += '0';
    append_latin1(plain, d.whole);
    if (!d.frac.isEmpty()) {
        plain += '.';
        append_latin1(plain, d.frac);
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (ec != std::errc() || end != plain.data() + plain.size())
        return false;
    value = v;
    return true;
}

QString number_text(double value) {
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    if (value == 0)
        return QStringLiteral("0"); // also for -0

    // 15 significant digits, rounded, then laid out without an exponent.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string_view sci(buf, res.ptr - buf);
    const bool negative = sci.front() == '-';
    const std::string_view body = negative ? sci.substr(1) : sci;
    const size_t e = body.find('e');
    std::string digits;
    digits += body[0];
    digits.append(body.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(body.data() + e + 1 + (body[e + 1] == '+' ? 1 : 0), body.data() + body.size(),
                    exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const int point = exponent + 1; // digits before the decimal comma
    std::string out;
    if (negative)
        out += '-';
    if (point <= 0) {
        out += "0,";
        out.append(size_t(-point), '0');
        out += digits;
    } else if (size_t(point) >= digits.size()) {
        out += digits;
        out.append(size_t(point) - digits.size(), '0');
    } else {
        out.append(digits, 0, size_t(point));
        out += ',';
        out.append(digits, size_t(point));
    }
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

QString razr(const QString& S) {
    DecimalText d;
    if (!parse_decimal(S, d))
        throw Error(QStringLiteral("Type mismatch"));

    QString whole = view(d.whole).toString();
    qsizetype lead = 0;
    while (lead < whole.size() - 1 && whole[lead] == u'0')
        ++lead;
    whole = whole.mid(lead);
    if (whole.isEmpty())
        whole = QStringLiteral("0");

    QString kop = QStringLiteral("00");
    if (!all_zeros(view(d.frac))) {
        kop = view(d.frac).left(2).toString();
        if (kop.size() == 1)
            kop += u'0';
    }

    const bool zero = whole == QStringLiteral("0") && kop == QStringLiteral("00");
    return (d.negative && !zero ? QStringLiteral("-") : QString()) + grouped(whole, kop);
}

Kopecks round_kopecks(const QString& text) {
    return kopecks_of(text, true);
}

Kopecks read_kopecks(const QString& text) {
    return kopecks_of(text, false);
}

Kopecks to_kopecks(double amount) {
    if (!std::isfinite(amount))
        throw Error(QStringLiteral("Type mismatch"));
    char buf[400]; // the longest fixed text of a finite double is 309 digits and a sign
    const auto res = std::to_chars(buf, buf + sizeof buf, amount, std::chars_format::fixed);
    if (res.ec != std::errc())
        throw Error(QStringLiteral("Overflow"));
    return round_kopecks(QString::fromLatin1(buf, res.ptr - buf));
}

QString razr(Kopecks amount) {
    const QString kop = QString::number(amount.kopecks()).rightJustified(2, u'0');
    return (amount.negative() ? QStringLiteral("-") : QString()) +
           grouped(QString::number(amount.roubles()), kop);
}

QString number_text(Kopecks amount) {
    QString out =
        (amount.negative() ? QStringLiteral("-") : QString()) + QString::number(amount.roubles());
    if (const int kop = amount.kopecks(); kop != 0) {
        out += u',' + QString::number(kop).rightJustified(2, u'0');
        if (out.endsWith(u'0'))
            out.chop(1);
    }
    return out;
}

QString bez_razr(const QString& S) {
    QString out;
    out.reserve(S.size());
    for (QChar c : S)
        if (c != u' ')
            out += c;
    return out;
}

qint32 clean_number(const QString& S) {
    const QString rest = S.contains(u'N') ? S.mid(1) : S;
    double v = 0;
    if (!read_number(rest, v))
        throw Error(QStringLiteral("Type mismatch"));
    // Whole numbers as the platform rounds them: halves go to the even neighbour.
    double r = std::floor(v);
    const double diff = v - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0))
        r += 1;
    if (!(r >= double(std::numeric_limits<qint32>::min()) &&
          r <= double(std::numeric_limits<qint32>::max())))
        throw Error(QStringLiteral("Overflow"));
    return qint32(r);
}

void number(QComboBox* obj, const QString& str) {
    if (!obj)
        return;
    for (int i = 0; i < obj->count(); ++i) {
        if (obj->itemText(i) == str) {
            obj->setCurrentIndex(i);
            return;
        }
    }
}

QString count_text(qint64 n, const QString& one, const QString& few, const QString& many) {
    const qint64 tens = n % 100, ones = n % 10;
    const QString& word = (tens >= 11 && tens <= 14) ? many
                          : ones == 1                ? one
                          : (ones >= 2 && ones <= 4) ? few
                                                     : many;
    return QString::number(n) + u' ' + word;
}

} // namespace tavrelis
