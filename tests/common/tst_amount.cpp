#include "common/amount.h"
#include "platform/recording_ui.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

const QString kErrorPrefix = QStringLiteral("возникла ошибка в модуле Tavrelis.module2.d_sumpro(");

// Reads Russian number words back into a number, independently of how they were written,
// and checks the agreement of every scale word and of the rouble and kopeck words.
class WordReader {
public:
    WordReader() {
        const char16_t* units[] = {u"",     u"один",  u"два",  u"три",    u"четыре",
                                   u"пять", u"шесть", u"семь", u"восемь", u"девять"};
        for (int i = 1; i <= 9; ++i)
            add(units[i], Kind::Unit, i);
        add(u"одна", Kind::FeminineUnit, 1);
        add(u"две", Kind::FeminineUnit, 2);
        const char16_t* teens[] = {u"десять",       u"одиннадцать", u"двенадцать",  u"тринадцать",
                                   u"четырнадцать", u"пятнадцать",  u"шестнадцать", u"семнадцать",
                                   u"восемнадцать", u"девятнадцать"};
        for (int i = 0; i < 10; ++i)
            add(teens[i], Kind::Teen, 10 + i);
        const char16_t* tens[] = {u"двадцать",   u"тридцать",  u"сорок",       u"пятьдесят",
                                  u"шестьдесят", u"семьдесят", u"восемьдесят", u"девяносто"};
        for (int i = 0; i < 8; ++i)
            add(tens[i], Kind::Ten, 20 + 10 * i);
        const char16_t* hundreds[] = {u"сто",       u"двести",    u"триста",
                                      u"четыреста", u"пятьсот",   u"шестьсот",
                                      u"семьсот",   u"восемьсот", u"девятьсот"};
        for (int i = 0; i < 9; ++i)
            add(hundreds[i], Kind::Hundred, 100 * (i + 1));
        // Scale words: value is the scale, the form is 1 (one), 2 (two to four), 5 (many).
        addScale(u"тысяча", 1000, 1);
        addScale(u"тысячи", 1000, 2);
        addScale(u"тысяч", 1000, 5);
        addScale(u"миллион", 1000000, 1);
        addScale(u"миллиона", 1000000, 2);
        addScale(u"миллионов", 1000000, 5);
        addScale(u"миллиард", 1000000000, 1);
        addScale(u"миллиарда", 1000000000, 2);
        addScale(u"миллиардов", 1000000000, 5);
        addScale(u"рубль", 1, 1);
        addScale(u"рубля", 1, 2);
        addScale(u"рублей", 1, 5);
    }

    // Parses "<words> <rouble word> <kk> <kopeck word>"; on success sets roubles and
    // kopecks, otherwise returns why not.
    QString read(const QString& text, qint64& roubles, int& kopecks) const {
        if (text.isEmpty() || text.endsWith(u' ') || text.contains(QStringLiteral("  ")))
            return QStringLiteral("blanks");
        std::vector<QStringView> words;
        for (QStringView w : QStringView(text).tokenize(u' '))
            words.push_back(w);
        if (words.size() < 4)
            return QStringLiteral("too short");
        // Kopecks.
        const QStringView kk = words[words.size() - 2];
        if (kk.size() != 2 || !kk[0].isDigit() || !kk[1].isDigit())
            return QStringLiteral("kopeck digits");
        kopecks = kk.toInt();
        const char16_t* kopWord[] = {u"", u"копейка", u"копейки", u"", u"", u"копеек"};
        if (words.back() != QStringView(kopWord[form(kopecks)]))
            return QStringLiteral("kopeck word");

        qint64 total = 0, group = 0;
        qint64 lastScale = std::numeric_limits<qint64>::max();
        int lastKind = 99; // order inside a group: hundreds (3) > tens (2) > units (1)
        bool feminine = false, masculine = false;
        const size_t numberWords = words.size() - 2;
        QString first;
        for (size_t i = 0; i < numberWords; ++i) {
            QStringView w = words[i];
            if (i == 0) {
                if (w == u"Hоль") {
                    if (numberWords != 2)
                        return QStringLiteral("zero with more words");
                    if (words[1] != u"рублей")
                        return QStringLiteral("rouble word after zero");
                    roubles = 0;
                    return QString();
                }
                if (!w[0].isUpper())
                    return QStringLiteral("not capitalised");
                first = w.toString();
                first[0] = first[0].toLower();
                w = first;
            } else if (w[0].isUpper()) {
                return QStringLiteral("capital inside");
            }
            const auto it = table_.find(key(w));
            if (it == table_.end())
                return QStringLiteral("unknown word ") + w.toString();
            const Word& word = it->second;
            if (word.kind == Kind::Scale) {
                const bool last = i == numberWords - 1;
                if ((word.value == 1) != last)
                    return QStringLiteral("rouble word out of place");
                if (word.value >= lastScale)
                    return QStringLiteral("scale order");
                if (word.value > 1 && group == 0)
                    return QStringLiteral("scale without count");
                if (word.value == 1 || group > 0) {
                    // Agreement with the count (for the rouble word: the whole amount).
                    const qint64 count = word.value == 1 ? total + group : group;
                    if (word.form != form(int(count % 100)))
                        return QStringLiteral("agreement of ") + w.toString();
                }
                if (word.value == 1000 && masculine)
                    return QStringLiteral("masculine before тысяч");
                if (word.value != 1000 && feminine)
                    return QStringLiteral("feminine before ") + w.toString();
                total += group * word.value;
                group = 0;
                lastScale = word.value;
                lastKind = 99;
                feminine = masculine = false;
                continue;
            }
            const int kind = word.kind == Kind::Hundred ? 3 : word.kind == Kind::Ten ? 2 : 1;
            const int need = word.kind == Kind::Teen ? 3 : kind + 1; // a teen takes no ten
            if (lastKind < need)
                return QStringLiteral("order inside a group at ") + w.toString();
            lastKind = word.kind == Kind::Teen ? 1 : kind;
            group += word.value;
            if (word.kind == Kind::FeminineUnit)
                feminine = true;
            if (word.kind == Kind::Unit && word.value <= 2)
                masculine = true;
        }
        if (group != 0)
            return QStringLiteral("no rouble word");
        roubles = total;
        return QString();
    }

private:
    enum class Kind { Unit, FeminineUnit, Teen, Ten, Hundred, Scale };
    struct Word {
        Kind kind;
        qint64 value;
        int form;
    };
    static int form(int lastTwo) {
        const int last = lastTwo % 10, tens = lastTwo / 10 % 10;
        if (tens == 1 || last == 0 || last > 4)
            return 5;
        return last == 1 ? 1 : 2;
    }
    static std::u16string_view key(QStringView w) {
        return {reinterpret_cast<const char16_t*>(w.utf16()), size_t(w.size())};
    }
    void add(const char16_t* w, Kind k, qint64 v) { table_.emplace(w, Word{k, v, 0}); }
    void addScale(const char16_t* w, qint64 v, int f) {
        table_.emplace(w, Word{Kind::Scale, v, f});
    }
    std::unordered_map<std::u16string_view, Word> table_; // keys are literals
};

} // namespace

class TestAmount : public QObject {
    Q_OBJECT
private slots:
    void words_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("words");
        auto row = [](const char* name, double a, const char* w) {
            QTest::newRow(name) << a << QString::fromUtf8(w);
        };
        row("0", 0, "Hоль рублей 00 копеек");
        row("0,5", 0.5, "Hоль рублей 50 копеек");
        row("1", 1, "Один рубль 00 копеек");
        row("2", 2, "Два рубля 00 копеек");
        row("5", 5, "Пять рублей 00 копеек");
        row("11", 11, "Одиннадцать рублей 00 копеек");
        row("12", 12, "Двенадцать рублей 00 копеек");
        row("10", 10, "Десять рублей 00 копеек");
        row("21", 21, "Двадцать один рубль 00 копеек");
        row("22", 22, "Двадцать два рубля 00 копеек");
        row("111", 111, "Сто одиннадцать рублей 00 копеек");
        row("121", 121, "Сто двадцать один рубль 00 копеек");
        row("1000", 1000, "Одна тысяча рублей 00 копеек");
        row("2000", 2000, "Две тысячи рублей 00 копеек");
        row("5000", 5000, "Пять тысяч рублей 00 копеек");
        row("11000", 11000, "Одиннадцать тысяч рублей 00 копеек");
        row("21000", 21000, "Двадцать одна тысяча рублей 00 копеек");
        row("22000", 22000, "Двадцать две тысячи рублей 00 копеек");
        row("101000", 101000, "Сто одна тысяча рублей 00 копеек");
        row("1001", 1001, "Одна тысяча один рубль 00 копеек");
        row("2002", 2002, "Две тысячи два рубля 00 копеек");
        row("1000001", 1000001, "Один миллион один рубль 00 копеек");
        row("1000000", 1000000, "Один миллион рублей 00 копеек");
        row("2000000", 2000000, "Два миллиона рублей 00 копеек");
        row("5000000", 5000000, "Пять миллионов рублей 00 копеек");
        row("11000000", 11000000, "Одиннадцать миллионов рублей 00 копеек");
        row("21000000", 21000000, "Двадцать один миллион рублей 00 копеек");
        row("1000000000", 1000000000, "Один миллиард рублей 00 копеек");
        row("2000000000", 2000000000, "Два миллиарда рублей 00 копеек");
        row("1238479443", 1238479443,
            "Один миллиард двести тридцать восемь миллионов четыреста семьдесят девять тысяч "
            "четыреста сорок три рубля 00 копеек");
        row("1238479443,00", 1238479443.00,
            "Один миллиард двести тридцать восемь миллионов четыреста семьдесят девять тысяч "
            "четыреста сорок три рубля 00 копеек");
        row("999999999999", 999999999999.0,
            "Девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов "
            "девятьсот девяносто девять тысяч девятьсот девяносто девять рублей 00 копеек");
        row("3,21", 3.21, "Три рубля 21 копейка");
        row("3,22", 3.22, "Три рубля 22 копейки");
        row("3,25", 3.25, "Три рубля 25 копеек");
        row("3,11", 3.11, "Три рубля 11 копеек");
        row("3,1", 3.1, "Три рубля 10 копеек");
        row("12,05", 12.05, "Двенадцать рублей 05 копеек");
        row("7,01", 7.01, "Семь рублей 01 копейка");
        row("1000,29", 1000.29, "Одна тысяча рублей 29 копеек");
        row("10000000,29", 10000000.29, "Десять миллионов рублей 29 копеек");
        row("10,999", 10.999, "Десять рублей 99 копеек");
        row("0,001", 0.001, "Hоль рублей 00 копеек");
        row("1,999999999999999", 1.999999999999999, "Один рубль 00 копеек");
        row("2,9999999999999999", 2.9999999999999999, "Три рубля 00 копеек");
    }
    void words() {
        QFETCH(double, amount);
        QFETCH(QString, words);
        RecordingUi rec;
        UiScope scope(rec);
        QCOMPARE(sum_rub_kop(amount), words);
        QVERIFY(rec.boxes.isEmpty());
    }

    // The zero text begins with a Latin H, the rest is Cyrillic.
    void zero_letter() {
        const QString zero = d_sumpro(0.75);
        QCOMPARE(zero.size(), 5);
        QCOMPARE(zero[0].unicode(), char16_t(0x48));
        QCOMPARE(zero.mid(1), QStringLiteral("оль "));
    }

    void d_sumpro_text_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("words");
        QTest::newRow("ends in a blank") << 40.0 << QStringLiteral("Сорок ");
        QTest::newRow("fraction ignored") << 40.99 << QStringLiteral("Сорок ");
        QTest::newRow("thousands feminine")
            << 2002002.0 << QStringLiteral("Два миллиона две тысячи два ");
        QTest::newRow("teen thousands") << 14000.0 << QStringLiteral("Четырнадцать тысяч ");
        QTest::newRow("teen millions") << 12000000.0 << QStringLiteral("Двенадцать миллионов ");
        QTest::newRow("three billion four")
            << 3000000004.0 << QStringLiteral("Три миллиарда четыре ");
    }
    void d_sumpro_text() {
        QFETCH(double, amount);
        QFETCH(QString, words);
        QCOMPARE(d_sumpro(amount), words);
    }

    // Out of range: the box of d_sumpro, then the rouble and kopeck part alone.
    void out_of_range_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("box");
        QTest::newRow("10^12") << 1e12 << QStringLiteral("рублей 00 копеек")
                               << kErrorPrefix + QStringLiteral("5): Subscript out of range");
        QTest::newRow("10^12+1") << 1e12 + 1 << QStringLiteral("рубль 00 копеек")
                                 << kErrorPrefix + QStringLiteral("5): Subscript out of range");
        QTest::newRow("10^16") << 1e16 << QStringLiteral("рублей 00 копеек")
                               << kErrorPrefix + QStringLiteral("4): Overflow");
        QTest::newRow("10^300") << 1e300 << QStringLiteral("рублей 00 копеек")
                                << kErrorPrefix + QStringLiteral("1): Overflow");
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity()
                                  << QStringLiteral("рублей 00 копеек")
                                  << kErrorPrefix + QStringLiteral("1): Overflow");
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN()
                             << QStringLiteral("рублей 00 копеек")
                             << kErrorPrefix + QStringLiteral("1): Overflow");
        QTest::newRow("-10^12") << -1e12 << QStringLiteral("рублей 00 копеек")
                                << kErrorPrefix + QStringLiteral("5): Subscript out of range");
    }
    void out_of_range() {
        QFETCH(double, amount);
        QFETCH(QString, words);
        QFETCH(QString, box);
        RecordingUi rec;
        UiScope scope(rec);
        QCOMPARE(sum_rub_kop(amount), words);
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].text, box);
        QCOMPARE(rec.boxes[0].buttons, QStringLiteral("OK"));
        QCOMPARE(rec.boxes[0].icon, QStringLiteral("none"));
        QCOMPARE(rec.boxes[0].title, QString());
    }

    // Negative amounts never reach these functions from the module; they still give text.
    void negative_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("words");
        QTest::newRow("-5,5") << -5.5 << QStringLiteral("Минус пять рублей 50 копеек");
        QTest::newRow("-0,01") << -0.01 << QStringLiteral("Минус ноль рублей 01 копейка");
        QTest::newRow("-21") << -21.0 << QStringLiteral("Минус двадцать один рубль 00 копеек");
        QTest::newRow("-0") << -0.0 << QStringLiteral("Hоль рублей 00 копеек");
    }
    void negative() {
        QFETCH(double, amount);
        QFETCH(QString, words);
        RecordingUi rec;
        UiScope scope(rec);
        QCOMPARE(sum_rub_kop(amount), words);
        QVERIFY(rec.boxes.isEmpty());
    }

    // Every whole amount up to two million, then a fixed-seed sample of amounts with kopecks
    // over the whole range, read back by the word reader; then amounts with up to three
    // decimals read once into kopecks as the forming reads the host's number, whose digits and
    // words must both give the kopecks rounded by hand (halves to the even kopeck).
    void sweep() {
        RecordingUi rec;
        UiScope scope(rec);
        const WordReader reader;
        auto check = [&](qint64 roubles, int kopecks, const QString& text, const QString& what) {
            qint64 r = -1;
            int k = -1;
            const QString why = reader.read(text, r, k);
            if (!why.isEmpty() || r != roubles || k != kopecks) {
                QFAIL(qPrintable(QStringLiteral("%1: \"%2\" %3 (read %4,%5)")
                                     .arg(what, text, why)
                                     .arg(r)
                                     .arg(k)));
            }
        };
        for (qint64 n = 0; n <= 2000000; ++n) {
            check(n, 0, sum_rub_kop(double(n)), QString::number(n));
            if (QTest::currentTestFailed())
                return;
        }
        QRandomGenerator random(20260514);
        for (int i = 0; i < 200000; ++i) {
            const qint64 n = qint64(random.bounded(quint64(1000000000000ULL)));
            const int k = int(random.bounded(100));
            const double amount = double(n) + k / 100.0;
            check(n, k, sum_rub_kop(amount), QString::number(amount, 'f', 2));
            if (QTest::currentTestFailed())
                return;
        }
        for (int i = 0; i < 100000; ++i) {
            qint64 n = qint64(random.bounded(quint64(999999999999ULL)));
            const int places = int(random.bounded(4)), scale = int(std::pow(10, places));
            const int fraction = int(random.bounded(scale));
            QString written = QString::number(n);
            if (places > 0)
                written += u'.' + QString::number(fraction).rightJustified(places, u'0');
            const int thousandths = fraction * (1000 / scale);
            int k = thousandths / 10;
            if (thousandths % 10 > 5 || (thousandths % 10 == 5 && k % 2 != 0))
                ++k;
            if (k == 100) {
                ++n;
                k = 0;
            }
            const Kopecks amount = to_kopecks(written.toDouble());
            const QString digits = bez_razr(razr(amount));
            if (digits != QStringLiteral("%1,%2").arg(n).arg(k, 2, 10, QChar(u'0')) ||
                round_kopecks(written) != amount)
                QFAIL(qPrintable(written + QStringLiteral(" gives ") + digits));
            check(n, k, sum_rub_kop(amount), written);
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(rec.boxes.isEmpty());
    }

    // Around the end of the words' range and where a double no longer tells kopecks apart, the
    // figures and the words come from the same kopecks; past the range only the rouble word and
    // the kopecks remain, after d_sumpro's box.
    void kopecks_edges_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("tail"); // empty: in range, read back by the word reader
        QTest::newRow("largest in range") << "999999999999,99"
                                          << "999 999 999 999,99"
                                          << "";
        QTest::newRow("below the tie") << "999999999999,994"
                                       << "999 999 999 999,99"
                                       << "";
        QTest::newRow("tie rounds past the range") << "999999999999,995"
                                                   << "1 000 000 000 000,00"
                                                   << "рублей 00 копеек";
        QTest::newRow("10^12 and kopecks") << "1000000000000,57"
                                           << "1 000 000 000 000,57"
                                           << "рублей 57 копеек";
        QTest::newRow("issue amount") << "12345678901234.567"
                                      << "12 345 678 901 234,57"
                                      << "рубля 57 копеек";
        QTest::newRow("2^53 - 1 kopecks") << "90071992547409,91"
                                          << "90 071 992 547 409,91"
                                          << "рублей 91 копейка";
        QTest::newRow("2^53 kopecks") << "90071992547409,92"
                                      << "90 071 992 547 409,92"
                                      << "рублей 92 копейки";
        QTest::newRow("2^53 + 1 kopecks") << "90071992547409,93"
                                          << "90 071 992 547 409,93"
                                          << "рублей 93 копейки";
        QTest::newRow("largest kopecks") << "92233720368547758,07"
                                         << "92 233 720 368 547 758,07"
                                         << "рублей 07 копеек";
    }
    void kopecks_edges() {
        QFETCH(QString, written);
        QFETCH(QString, digits);
        QFETCH(QString, tail);
        RecordingUi rec;
        UiScope scope(rec);
        const Kopecks amount = round_kopecks(written);
        QCOMPARE(razr(amount), digits);
        const QString words = sum_rub_kop(amount);
        if (tail.isEmpty()) {
            qint64 r = 0;
            int k = 0;
            QCOMPARE(WordReader().read(words, r, k), QString());
            QCOMPARE(r * 100 + k, amount.value());
            QVERIFY(rec.boxes.isEmpty());
        } else {
            QCOMPARE(words, tail);
            QCOMPARE(rec.boxes.size(), 1);
            QVERIFY(rec.boxes[0].text.startsWith(kErrorPrefix));
        }
    }

    // The reader itself must refuse wrong words, or the sweep proves nothing.
    void reader_refuses_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("masculine thousand") << QStringLiteral("Один тысяча рублей 00 копеек");
        QTest::newRow("feminine million") << QStringLiteral("Одна миллион рублей 00 копеек");
        QTest::newRow("wrong scale form") << QStringLiteral("Две тысяч рублей 00 копеек");
        QTest::newRow("wrong rouble form") << QStringLiteral("Два рублей 00 копеек");
        QTest::newRow("wrong kopeck form") << QStringLiteral("Два рубля 21 копеек");
        QTest::newRow("tens after units") << QStringLiteral("Один двадцать рублей 00 копеек");
        QTest::newRow("ten before teen") << QStringLiteral("Двадцать одиннадцать рублей 00 копеек");
        QTest::newRow("Cyrillic zero") << QStringLiteral("Ноль рублей 00 копеек");
        QTest::newRow("trailing blank") << QStringLiteral("Два рубля 00 копеек ");
        QTest::newRow("lower case") << QStringLiteral("два рубля 00 копеек");
    }
    void reader_refuses() {
        QFETCH(QString, text);
        qint64 r = 0;
        int k = 0;
        QVERIFY(!WordReader().read(text, r, k).isEmpty());
    }
};

QTEST_MAIN(TestAmount)
#include "tst_amount.moc"
