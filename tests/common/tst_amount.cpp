#include "common/amount.h"
#include "platform/recording_ui.h"
#include "support/cases.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

const QString kErrorPrefix = QStringLiteral("возникла ошибка в модуле Tavrelis.module2.d_sumpro(");

// Reads Russian number words back into roubles and kopecks, independently of how the module
// writes them, checking the order inside each group and the agreement of every scale word.
class WordReader {
public:
    WordReader() {
        const QStringList words =
            QStringLiteral(
                "один два три четыре пять шесть семь восемь девять десять одиннадцать двенадцать "
                "тринадцать четырнадцать пятнадцать шестнадцать семнадцать восемнадцать "
                "девятнадцать двадцать тридцать сорок пятьдесят шестьдесят семьдесят восемьдесят "
                "девяносто сто двести триста четыреста пятьсот шестьсот семьсот восемьсот "
                "девятьсот")
                .split(' ');
        for (int i = 0; i < words.size(); ++i) {
            const int v = i < 19 ? i + 1 : i < 27 ? (i - 17) * 10 : (i - 26) * 100;
            table_[words[i]] = {v < 10 ? 1 : v < 20 ? 0 : v < 100 ? 2 : 3, v, 0};
        }
        table_[QStringLiteral("одна")] = {1, 1, -1};
        table_[QStringLiteral("две")] = {1, 2, -1};
        const QStringList scales =
            QStringLiteral("рубль рубля рублей тысяча тысячи тысяч миллион "
                           "миллиона миллионов миллиард миллиарда миллиардов")
                .split(' ');
        for (int i = 0; i < scales.size(); ++i)
            table_[scales[i]] = {9, qint64(std::pow(1000, i / 3)), i % 3 + 1};
    }

    // "<words> <rouble word> <kk> <kopeck word>": empty when read, else why not.
    QString read(const QString& text, qint64& roubles, int& kopecks) const {
        const QStringList w = text.split(' ');
        if (w.size() < 4 || text.contains(QStringLiteral("  ")) || text.endsWith(' '))
            return QStringLiteral("shape");
        const QString kk = w[w.size() - 2];
        if (kk.size() != 2 || !kk[0].isDigit() || !kk[1].isDigit())
            return QStringLiteral("kopeck digits");
        kopecks = kk.toInt();
        const char16_t* kop[] = {u"копейка", u"копейки", u"копеек"};
        if (w.last() != QStringView(kop[form(kopecks) - 1]))
            return QStringLiteral("kopeck word");
        const qsizetype n = w.size() - 2;
        if (w[0] == u"Hоль") // a Latin H
            return n == 2 && w[1] == u"рублей" ? (roubles = 0, QString()) : QStringLiteral("zero");
        qint64 total = 0, group = 0, last_scale = std::numeric_limits<qint64>::max();
        int last_kind = 99, gender = 0;
        for (qsizetype i = 0; i < n; ++i) {
            QString s = w[i];
            if (s.isEmpty() || s[0].isUpper() != (i == 0))
                return QStringLiteral("capitals");
            s[0] = s[0].toLower();
            const auto it = table_.find(s);
            if (it == table_.end())
                return "unknown word " + s;
            const Word& word = *it;
            if (word.kind == 9) {
                if ((word.value == 1) != (i == n - 1) || word.value >= last_scale ||
                    (word.value > 1 && group == 0))
                    return "scale out of place: " + s;
                if ((word.value == 1 || group > 0) &&
                    word.form != form(int((word.value == 1 ? total + group : group) % 100)))
                    return "agreement of " + s;
                if (gender != 0 && (gender < 0) != (word.value == 1000))
                    return "gender before " + s;
                total += group * word.value;
                group = 0;
                last_scale = word.value;
                last_kind = 99;
                gender = 0;
                continue;
            }
            if (last_kind <= (word.kind == 0 ? 2 : word.kind))
                return "order at " + s;
            last_kind = word.kind == 0 ? 1 : word.kind;
            group += word.value;
            if (word.form < 0 || (word.kind == 1 && word.value <= 2))
                gender = word.form < 0 ? -1 : 1;
        }
        roubles = total;
        return group == 0 ? QString() : QStringLiteral("no rouble word");
    }

private:
    struct Word {
        int kind; // 0 teen, 1 unit, 2 ten, 3 hundred, 9 scale
        qint64 value;
        int form; // scale: 1 one, 2 two to four, 3 many; unit: -1 feminine
    };
    static int form(int two) {
        const int last = two % 10;
        return two / 10 % 10 == 1 || last == 0 || last > 4 ? 3 : last == 1 ? 1 : 2;
    }
    QHash<QString, Word> table_;
};

} // namespace

class TestAmount : public QObject {
    Q_OBJECT
private slots:
    void words_data() {
        columns<double, QString>(); // amount, words
        auto row = [](double a, const char* w) {
            QTest::addRow("%s", qPrintable(QString::number(a, 'g', 17))) << a << QString(w);
        };
        row(0.5, "Hоль рублей 50 копеек");
        row(10.999, "Десять рублей 99 копеек");
        row(2.9999999999999999, "Три рубля 00 копеек");
        row(-0.01, "Минус ноль рублей 01 копейка");
    }
    void words() {
        auto [amount, words] = fetch<double, QString>();
        RecordingUi rec;
        UiScope scope(rec);
        QCOMPARE(sum_rub_kop(amount), words);
        QCOMPARE(d_sumpro(2002002.0), QStringLiteral("Два миллиона две тысячи два "));
        QVERIFY(rec.boxes.isEmpty());
    }

    // Out of range: d_sumpro's box, then the rouble and kopeck part alone.
    void out_of_range_data() {
        columns<double, QString, QString>(); // amount, words, box
        row("10^12+1", 1e12 + 1, "рубль 00 копеек", "5): Subscript out of range");
        row("10^16", 1e16, "рублей 00 копеек", "4): Overflow");
        row("past any integer", 9000000000000001024.0, "рубля 00 копеек", "1): Overflow");
        row("NaN", std::numeric_limits<double>::quiet_NaN(), "рублей 00 копеек", "1): Overflow");
    }
    void out_of_range() {
        auto [amount, words, box] = fetch<double, QString, QString>();
        RecordingUi rec;
        UiScope scope(rec);
        QCOMPARE(sum_rub_kop(amount), words);
        QCOMPARE(rec.texts(), QStringList{kErrorPrefix + box});
        QCOMPARE(rec.boxes[0].icon, QStringLiteral("none"));
    }

    // Whole amounts, then a fixed-seed sample with kopecks over the whole range, read back by
    // the reader.
    void sweep() {
        RecordingUi rec;
        UiScope scope(rec);
        const WordReader reader;
        auto check = [&](qint64 roubles, int kopecks, const QString& text) {
            qint64 r = -1;
            int k = -1;
            const QString why = reader.read(text, r, k);
            if (!why.isEmpty() || r != roubles || k != kopecks)
                QFAIL(qPrintable(
                    QStringLiteral("%1,%2: \"%3\" %4").arg(roubles).arg(kopecks).arg(text, why)));
        };
        QRandomGenerator random(20260514);
        for (qint64 n = 0; n <= 30000 && !QTest::currentTestFailed(); ++n)
            check(n * 37, 0, sum_rub_kop(double(n * 37)));
        for (int i = 0; i < 20000 && !QTest::currentTestFailed(); ++i) {
            const qint64 n = qint64(random.bounded(quint64(1000000000000ULL)));
            const int k = int(random.bounded(100));
            check(n, k, sum_rub_kop(double(n) + k / 100.0));
        }
        QVERIFY(rec.boxes.isEmpty());
    }

    // The reader must refuse wrong words, or the sweep proves nothing.
    void reader_refuses_data() {
        QTest::addColumn<QString>("text");
        for (const char* t :
             {"Один тысяча рублей 00 копеек", "Одна миллион рублей 00 копеек",
              "Две тысяч рублей 00 копеек", "Два рублей 00 копеек", "Два рубля 21 копеек",
              "Один двадцать рублей 00 копеек", "Двадцать одиннадцать рублей 00 копеек",
              "Ноль рублей 00 копеек", "два рубля 00 копеек"})
            QTest::newRow(t) << QString(t);
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
