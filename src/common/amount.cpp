#include "common/amount.h"

#include "common/numbers.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QStringView>
#include <charconv>
#include <cmath>

namespace tavrelis {

namespace {

// Units 1..19; 1 and 2 are stems whose ending depends on the gender of what they count.
constexpr QStringView kUnits[20] = {
    u"",
    u"од",
    u"дв",
    u"три ",
    u"четыре ",
    u"пять ",
    u"шесть ",
    u"семь ",
    u"восемь ",
    u"девять ",
    u"десять ",
    u"одиннадцать ",
    u"двенадцать ",
    u"тринадцать ",
    u"четырнадцать ",
    u"пятнадцать ",
    u"шестнадцать ",
    u"семнадцать ",
    u"восемнадцать ",
    u"девятнадцать ",
};

constexpr QStringView kTens[10] = {
    u"",
    u"",
    u"двадцать ",
    u"тридцать ",
    u"сорок ",
    u"пятьдесят ",
    u"шестьдесят ",
    u"семьдесят ",
    u"восемьдесят ",
    u"девяносто ",
};

constexpr QStringView kHundreds[10] = {
    u"",         u"сто ",      u"двести ",  u"триста ",    u"четыреста ",
    u"пятьсот ", u"шестьсот ", u"семьсот ", u"восемьсот ", u"девятьсот ",
};

constexpr qint64 kPow10[12] = {1LL,         10LL,         100LL,         1000LL,
                               10000LL,     100000LL,     1000000LL,     10000000LL,
                               100000000LL, 1000000000LL, 10000000000LL, 100000000000LL};

// A failure inside d_sumpro, located by the step of the algorithm where it happened.
struct Failure {
    int step;
    QString description;
};

void append_scale(QString& text, int place, int v) {
    if (place == 2) {
        text += u"тысяч";
        text += v == 1 ? QStringView(u"а ") : (v >= 2 && v <= 4) ? QStringView(u"и ") : u" ";
        return;
    }
    text += place == 8 ? QStringView(u"миллиард") : QStringView(u"миллион");
    text += v == 1 ? QStringView(u" ") : (v >= 2 && v <= 4) ? QStringView(u"а ") : u"ов ";
}

// Words of a whole number; the place walk covers 0..999 999 999 999, and a larger number
// fails where the hundreds of billions can no longer be named.
QString words(qint64 whole) {
    QString text;
    text.reserve(160);
    qint64 n = whole;
    int carry = 0;
    bool group = false;
    int v = 0;
    for (int p = 11; p >= 0; --p) {
        if ((p == 8 || p == 5 || p == 2) && group) {
            append_scale(text, p, v);
            group = false;
        }
        const qint64 d = n / kPow10[p];
        if (d > 32767)
            throw Failure{4, QStringLiteral("Overflow")};
        n -= d * kPow10[p];
        v = int(d) + carry;
        if (v == 0)
            continue;
        group = true;
        switch (p % 3) {
        case 2: // hundreds
            if (v > 9)
                throw Failure{5, QStringLiteral("Subscript out of range")};
            text += kHundreds[v];
            break;
        case 1: // tens; a 1 makes the units place a teen
            if (v == 1)
                carry = 10;
            else
                text += kTens[v];
            break;
        default: // units; thousands are feminine
            carry = 0;
            text += kUnits[v];
            if (v == 1)
                text += p == 3 ? QStringView(u"на ") : QStringView(u"ин ");
            else if (v == 2)
                text += p == 3 ? QStringView(u"е ") : QStringView(u"а ");
            break;
        }
    }
    return text;
}

// Whole part of a non-negative amount, refused where no integer can hold it.
qint64 whole_part(double magnitude) {
    if (!std::isfinite(magnitude) || magnitude >= 9.0e18)
        throw Failure{1, QStringLiteral("Overflow")};
    return qint64(std::floor(magnitude));
}

void report(int step, const QString& description) {
    platform::msgbox(QStringLiteral("возникла ошибка в модуле Tavrelis.module2.d_sumpro(") +
                         QString::number(step) + QStringLiteral("): ") + description,
                     platform::vbOKOnly, QString());
}

// The text of d_sumpro for a whole part already taken from the amount. Negative amounts are
// never passed by the callers; rather than fail, they are written as the words of their
// magnitude after "Минус " (the whole part is taken towards zero, so -5,5 reads "Минус пять
// рублей 50 копеек").
QString whole_words(bool negative, qint64 whole) {
    try {
        QString text = words(whole);
        if (negative) {
            if (text.isEmpty())
                return QStringLiteral("Минус ноль ");
            return QStringLiteral("Минус ") + text;
        }
        if (text.isEmpty())
            return QStringLiteral("Hоль "); // Latin H: the forms have always printed it so
        text[0] = text[0].toUpper();
        return text;
    } catch (const Failure& f) {
        report(f.step, f.description);
    } catch (const std::exception& e) {
        report(0, describe(e));
    }
    return QString();
}

// The rouble (or kopeck) agreement rule, on the last two digits of what is counted.
int agreement(int tens_digit, int last_digit) {
    if (last_digit >= 1 && last_digit <= 4 && tens_digit != 1)
        return last_digit == 1 ? 1 : 2;
    return 5;
}

// The words of the whole part followed by the rouble word, which agrees with the last two
// digits of the whole part, the two kopeck digits and the kopeck word.
QString with_kopecks(QString text, int tens_digit, int last_digit, QStringView kop) {
    static constexpr QStringView kRoubles[6] = {u"", u"рубль", u"рубля", u"", u"", u"рублей"};
    static constexpr QStringView kKopecks[6] = {u"", u"копейка", u"копейки", u"", u"", u"копеек"};
    text += kRoubles[agreement(tens_digit, last_digit)];
    text += u' ';
    text += kop;
    text += u' ';
    text += kKopecks[agreement(kop[0].digitValue(), kop[1].digitValue())];
    return text;
}

} // namespace

QString d_sumpro(double amount) {
    qint64 whole = 0;
    try {
        whole = whole_part(std::fabs(amount));
    } catch (const Failure& f) {
        report(f.step, f.description);
        return QString();
    }
    return whole_words(amount < 0, whole);
}

QString sum_rub_kop(double amount) {
    const double magnitude = std::fabs(amount);

    // Last two digits of the whole part; amounts past any integer only need their text.
    int tens_digit = 0, last_digit = 0;
    if (std::isfinite(magnitude)) {
        if (magnitude < 9.0e18) {
            const qint64 whole = qint64(std::floor(magnitude));
            tens_digit = int(whole / 10 % 10);
            last_digit = int(whole % 10);
        } else {
            // Past any integer type: the shortest digits that read back as the same value.
            char buf[400];
            const auto res = std::to_chars(buf, buf + sizeof buf, std::floor(magnitude),
                                           std::chars_format::fixed);
            if (res.ec == std::errc() && res.ptr - buf >= 2) {
                tens_digit = res.ptr[-2] - '0';
                last_digit = res.ptr[-1] - '0';
            }
        }
    }

    // Kopecks are the digits of the amount as written, cut after the second.
    QString kop = QStringLiteral("00");
    const QString written = number_text(magnitude);
    const qsizetype comma = written.indexOf(u',');
    if (comma >= 0) {
        kop = written.mid(comma + 1, 2);
        if (kop.size() == 1)
            kop += u'0';
    }
    return with_kopecks(d_sumpro(amount), tens_digit, last_digit, kop);
}

QString sum_rub_kop(Kopecks amount) {
    const qint64 whole = amount.roubles();
    const QString kop = QString::number(amount.kopecks()).rightJustified(2, u'0');
    return with_kopecks(whole_words(amount.negative(), whole), int(whole / 10 % 10),
                        int(whole % 10), kop);
}

} // namespace tavrelis
