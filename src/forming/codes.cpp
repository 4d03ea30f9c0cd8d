#include "forming/codes.h"

#include <array>

namespace tavrelis {

namespace {

struct Coded {
    const char* text;
    const char* code;
};

constexpr std::array<Coded, 11> bases{{
    {"Внесение платежей текущего года", "ТП"},
    {"Добровольное погашение задолженности за истекшие налоговые периоды при условии, что "
     "налоговый орган не выставил требования об уплате налога (сбора)",
     "ЗД"},
    {"Осуществление текущих платежей физическими лицами - клиентами банка путем перевода денег "
     "со своего банковского счета",
     "БФ"},
    {"Погашение задолженности по требованию налогового органа об уплате налога (сбора)", "ТР"},
    {"Погашение рассроченной задолженности", "РС"},
    {"Погашение отсроченной задолженности", "ОТ"},
    {"Погашение реструктурированной задолженности", "РТ"},
    {"Погашение отсроченной задолженности в связи с введением внешнего управления", "ВУ"},
    {"Погашение задолженности, приостановленной к взысканию", "ПР"},
    {"Погашение задолженности по акту проверки", "АП"},
    {"Погашение задолженности по исполнительному документу", "АР"},
}};

constexpr std::array<Coded, 11> payment_types{{
    {"налог или сбор", "НС"},
    {"пошлина", "ГП"},
    {"взнос", "ВЗ"},
    {"аванс", "АВ"},
    {"пени", "ПЕ"},
    {"проценты", "ПЦ"},
    {"суммы по налоговым санкциям", "СА"},
    {"административные штрафы", "АШ"},
    {"другие штрафы, предусмотренные законодательством", "ИШ"},
    {"прочие платежи", "ПЛ"},
    {"налоговые органы самостоятельно относят платеж к соответствующему типу", "0"},
}};

// Month names in calendar order; the row number is the appended month.
constexpr std::array<const char*, 12> months{
    "январь", "февраль", "март",     "апрель",  "май",    "июнь",
    "июль",   "август",  "сентябрь", "октябрь", "ноябрь", "декабрь",
};

// Patterns looked for in the first three characters of the period text, with what each
// appends. "II " keeps its blank so that "III" does not match it.
constexpr std::array<Coded, 4> quarters{{
    {"I к", "01."},
    {"II ", "02."},
    {"III", "03."},
    {"IV", "04."},
}};

constexpr std::array<Coded, 2> half_years{{
    {"1 п", "01."},
    {"2 п", "02."},
}};

template <std::size_t N> QStringList texts_of(const std::array<Coded, N>& table) {
    QStringList out;
    for (const Coded& row : table)
        out << QString::fromUtf8(row.text);
    return out;
}

template <std::size_t N> QString code_at(const std::array<Coded, N>& table, int pos) {
    if (pos < 0 || pos >= int(N))
        return {};
    return QString::fromUtf8(table[pos].code);
}

template <std::size_t N>
void append_matches(QString& out, const std::array<Coded, N>& table, const QString& head) {
    for (const Coded& row : table)
        if (head.contains(QString::fromUtf8(row.text)))
            out += QString::fromUtf8(row.code);
}

} // namespace

const QStringList& basis_items() {
    static const QStringList items = texts_of(bases);
    return items;
}

const QStringList& payment_type_items() {
    static const QStringList items = texts_of(payment_types);
    return items;
}

const QStringList& kind_items() {
    static const QStringList items{"<не заполнено>", "ПОЧТОЙ", "ТЕЛЕГРАФОМ", "ЭЛЕКТРОННО",
                                   "СРОЧНО"};
    return items;
}

const QStringList& priority_items() {
    static const QStringList items{"3", "4"};
    return items;
}

const QStringList& period_type_items() {
    static const QStringList items{"Месячные платежи", "Квартальные платежи", "Полугодовые платежи",
                                   "Годовые платежи"};
    return items;
}

const QStringList& operation_type_items() {
    static const QStringList items{"Налог / Аванс", "Пени", "Штраф", "Пусто"};
    return items;
}

QString basis_code(int pos) {
    return code_at(bases, pos);
}

QString payment_type_code(int pos) {
    return code_at(payment_types, pos);
}

QString kind_text(int pos, const QString& text) {
    return pos > 0 ? text : QString();
}

QString priority_text(int pos, const QString& text) {
    return pos >= 0 ? text : QString();
}

QString period_indicator(int type, const QString& period) {
    QString out;
    switch (type) {
    case 0: {
        out = QStringLiteral("МС.");
        const QString lower = period.toLower();
        for (std::size_t i = 0; i < months.size(); ++i)
            if (lower.contains(QString::fromUtf8(months[i])))
                out += QStringLiteral("%1.").arg(i + 1, 2, 10, QChar('0'));
        break;
    }
    case 1:
        out = QStringLiteral("КВ.");
        append_matches(out, quarters, period.left(3));
        break;
    case 2:
        out = QStringLiteral("ПЛ.");
        append_matches(out, half_years, period.left(3));
        break;
    case 3:
        out = QStringLiteral("ГД.01.");
        break;
    default:
        break;
    }
    return out + period.right(4);
}

int operation_digit(int pos) {
    return pos >= 0 && pos <= 2 ? pos + 1 : 0;
}

QString kbk_with_operation(const QString& kbk, int pos) {
    // "Пусто" keeps its own digit 4: no order is formed with it, but the text stays in step
    // with the list position.
    const int digit = pos >= 0 && pos <= 3 ? pos + 1 : 0;
    return kbk.left(13) + QString::number(digit) + kbk.mid(14);
}

int operation_type_for_payment_type(int pos) {
    switch (pos) {
    case 0:
    case 2:
    case 3:
    case 9:
        return 0; // "Налог / Аванс"
    case 4:
        return 1; // "Пени"
    case 6:
    case 7:
    case 8:
        return 2; // "Штраф"
    case 1:
    case 5:
    case 10:
        return 3; // "Пусто"
    default:
        return -1;
    }
}

int period_type_for_period(const QString& period) {
    const QString lower = period.toLower();
    int type = 0;
    if (lower.contains(QStringLiteral("квартал")))
        type = 1;
    if (lower.contains(QStringLiteral("полугодие")))
        type = 2;
    if (lower.contains(QStringLiteral("иное")))
        type = 3;
    return type;
}

} // namespace tavrelis
