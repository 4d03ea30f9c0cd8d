#include "common/requisites.h"

#include "common/numbers.h"
#include "platform/codepage.h"

#include <QDate>
#include <QRegularExpression>

namespace tavrelis {

namespace {

const QString kEmpty = QStringLiteral("не заполнено");

bool digits(const QString& s, qsizetype n) {
    if (s.size() != n)
        return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

int digit(const QString& s, qsizetype i) {
    return s.at(i).unicode() - u'0';
}

// (weighted sum of the first weights.size() digits mod 11) mod 10.
int inn_control(const QString& inn, std::initializer_list<int> weights) {
    int sum = 0, i = 0;
    for (int w : weights)
        sum += w * digit(inn, i++);
    return sum % 11 % 10;
}

RequisiteProblems one(const QString& field, const QString& problem) {
    return {{field, problem}};
}

bool all_zeros(const QString& s) {
    return s.count(u'0') == s.size();
}

bool bank_of_russia_office(const QString& bik) {
    const QStringView tail = QStringView(bik).sliced(6);
    return tail == u"000" || tail == u"001" || tail == u"002";
}

} // namespace

QString payer_status(const QString& inn_sender) {
    return inn_sender.size() == 12 ? QStringLiteral("13") : QStringLiteral("01");
}

bool control_character(QChar c) {
    return c.unicode() < 0x20 || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
}

RequisiteProblems check_inn(const QString& inn, const QString& field) {
    if (inn.isEmpty())
        return one(field, kEmpty);
    if (!digits(inn, 10) && !digits(inn, 12))
        return one(field, QStringLiteral(
                              "должен состоять из 10 цифр (организация) или 12 цифр (физическое "
                              "лицо)"));
    if (inn.startsWith(QLatin1StringView("00")))
        return one(field, QStringLiteral("не может начинаться с двух нулей"));
    const bool fits =
        inn.size() == 10
            ? inn_control(inn, {2, 4, 10, 3, 5, 9, 4, 6, 8}) == digit(inn, 9)
            : inn_control(inn, {7, 2, 4, 10, 3, 5, 9, 4, 6, 8}) == digit(inn, 10) &&
                  inn_control(inn, {3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8}) == digit(inn, 11);
    if (!fits)
        return one(field, QStringLiteral("контрольное число не сходится"));
    return {};
}

RequisiteProblems check_kpp(const QString& kpp, const QString& field, bool may_be_empty) {
    // Anchored: "$" alone would let a trailing line break through.
    static const QRegularExpression form(QRegularExpression::anchoredPattern(
        QStringLiteral("([0-9][1-9]|[1-9][0-9])[0-9]{2}[0-9A-Z]{2}[0-9]{3}")));
    if (kpp.isEmpty())
        return may_be_empty ? RequisiteProblems{} : one(field, kEmpty);
    if (kpp == u"0" || form.match(kpp).hasMatch())
        return {};
    return one(field, QStringLiteral("должен состоять из 9 знаков: 4 цифры (не начиная с «00»), "
                                     "2 цифры или заглавные латинские буквы, 3 цифры; либо "
                                     "быть «0»"));
}

RequisiteProblems check_bik(const QString& bik, const QString& field) {
    if (bik.isEmpty())
        return one(field, kEmpty);
    if (!digits(bik, 9))
        return one(field, QStringLiteral("должен состоять из 9 цифр"));
    return {};
}

RequisiteProblems check_account(const QString& account, const QString& bik, AccountKind kind,
                                const QString& field) {
    const bool bik_fits = digits(bik, 9);
    if (account.isEmpty())
        return kind == AccountKind::Correspondent && bik_fits && bank_of_russia_office(bik)
                   ? RequisiteProblems{}
                   : one(field, kEmpty);
    if (!digits(account, 20))
        return one(field, QStringLiteral("должен состоять из 20 цифр"));
    if (!bik_fits || account.startsWith(QLatin1StringView("03")))
        return {};
    const QString prefix = kind == AccountKind::Settlement && !bank_of_russia_office(bik)
                               ? bik.sliced(6)
                               : u'0' + bik.sliced(4, 2);
    static constexpr int weights[3] = {7, 1, 3};
    const QString keyed = prefix + account;
    int sum = 0;
    for (qsizetype i = 0; i < keyed.size(); ++i)
        sum += digit(keyed, i) * weights[i % 3];
    if (sum % 10 != 0)
        return one(field, QStringLiteral("контрольный ключ не сходится с БИК банка"));
    return {};
}

RequisiteProblems check_kbk(const QString& kbk, const QString& field) {
    if (kbk.isEmpty())
        return one(field, kEmpty);
    if (!digits(kbk, 20))
        return one(field, QStringLiteral("должен состоять из 20 цифр"));
    if (all_zeros(kbk))
        return one(field, QStringLiteral("не может состоять из одних нулей"));
    return {};
}

RequisiteProblems check_code(const QString& code, const QString& field) {
    if (code.isEmpty() || code == u"0")
        return {};
    if ((!digits(code, 20) && !digits(code, 25)) || all_zeros(code))
        return one(field, QStringLiteral("должен быть «0» либо УИН из 20 или 25 цифр, не из "
                                         "одних нулей"));
    return {};
}

RequisiteProblems check_okato(const QString& okato, const QString& field) {
    if (okato.isEmpty())
        return one(field, kEmpty);
    const bool fits =
        okato == u"0" || ((digits(okato, 8) || digits(okato, 11)) && !all_zeros(okato));
    if (!fits)
        return one(field, QStringLiteral("должен состоять из 8 или 11 цифр, не одних нулей; "
                                         "либо быть «0»"));
    return {};
}

RequisiteProblems check_purpose(const QString& aim, const QString& field) {
    if (aim.trimmed().isEmpty())
        return one(field, kEmpty);
    const qsizetype length = aim.toUcs4().size();
    if (length > 210)
        return one(field,
                   QStringLiteral("не может быть длиннее 210 знаков, сейчас %1").arg(length));
    return {};
}

RequisiteProblems check_amount(const QString& sum, const QString& field) {
    if (sum.isEmpty())
        return one(field, kEmpty);
    double value = 0;
    if (!read_number(sum, value))
        return one(field, QStringLiteral("не является числом"));
    if (!(value > 0))
        return one(field, QStringLiteral("должна быть больше нуля"));
    return {};
}

RequisiteProblems check_priority(const QString& priority, const QString& field) {
    if (priority.isEmpty())
        return one(field, kEmpty);
    if (!digits(priority, 1))
        return one(field, QStringLiteral("должна быть одной цифрой"));
    return {};
}

RequisiteProblems check_date(const QString& date, const QString& field) {
    if (date.isEmpty())
        return one(field, kEmpty);
    if (!QDate::fromString(date, QStringLiteral("dd.MM.yyyy")).isValid())
        return one(field, QStringLiteral("должна быть датой в виде ДД.ММ.ГГГГ"));
    return {};
}

RequisiteProblems check_text(const QString& text, const QString& field) {
    RequisiteProblems out;
    bool control = false;
    QStringList missing;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            continue;
        if (control_character(c)) {
            control = true;
        } else if (!platform::encodable_cp1251(c)) {
            QString sign(c);
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                sign += text.at(++i);
            if (!missing.contains(sign))
                missing << sign;
        }
    }
    if (control)
        out << RequisiteProblem{field,
                                QStringLiteral("содержит управляющий символ, он будет заменен "
                                               "пробелом")};
    for (const QString& sign : missing)
        out << RequisiteProblem{field, QStringLiteral("содержит знак «%1», которого нет в "
                                                      "кодировке windows-1251: он будет "
                                                      "заменен на «?»")
                                           .arg(sign)};
    return out;
}

RequisiteProblems check_bank_order(const BankOrderFields& o, const BudgetRules& rules) {
    using K = AccountKind;
    using Problems = RequisiteProblems;
    const bool tax = (!rules.tax_inn.isEmpty() && o.inn == rules.tax_inn) ||
                     o.kbk.startsWith(QLatin1StringView("182"));
    const QString status = o.status.isEmpty() ? payer_status(o.inn_sender) : o.status;
    // The bank's control of budget payments wants fields 106 to 109 as "0" from these payers.
    const bool zeros = tax && (status == u"01" || status == u"13");
    const bool person = o.inn_sender.size() == 12;
    const QString kTaxOnly = QStringLiteral("для платежа в налоговый орган должен быть %1");
    const QString kZero =
        QStringLiteral("для платежа в налоговый орган со статусом 01 или 13 %1 быть «0»");

    Problems all;
    // A field's characters are looked at only once its value is right: one fault at a time.
    const auto put = [&all](const QString& value, const QString& field, const auto& check) {
        const Problems found = check(value, field);
        all << (found.isEmpty() ? check_text(value, field) : found);
    };
    const auto any = [](const QString&, const QString&) { return Problems{}; };
    const auto account = [&kTaxOnly](const QString& bik, K kind, const QString& wanted = {}) {
        return [&kTaxOnly, &bik, kind, wanted](const QString& value, const QString& field) {
            Problems found = check_account(value, bik, kind, field);
            if (found.isEmpty() && !wanted.isEmpty() && value != wanted)
                found = one(field, kTaxOnly.arg(wanted));
            return found;
        };
    };
    // The file writes an empty document date as "0"; the other two as they stand.
    const auto zero = [&](const char16_t* must, bool empty_is_zero = false) {
        return [&, must, empty_is_zero](const QString& value, const QString& field) {
            const bool wrong = zeros && value != u"0" && !(empty_is_zero && value.isEmpty());
            return wrong ? one(field, kZero.arg(QStringView(must))) : Problems{};
        };
    };
    const QString none;

    put(o.payment_date, QStringLiteral("Дата платежного поручения (4)"), check_date);
    put(o.way, QStringLiteral("Вид платежа (5)"), any);
    put(o.status, QStringLiteral("Статус плательщика (101)"),
        [&](const QString&, const QString& field) {
            if (tax && !zeros)
                return one(field, kTaxOnly.arg(QStringLiteral("«01» (организация) или «13» "
                                                              "(физическое лицо)")));
            return digits(status, 2) ? Problems{}
                                     : one(field, QStringLiteral("должен состоять из 2 цифр"));
        });
    // Checked as read, not as written: no-break blanks are fine here.
    all << check_amount(o.sum, QStringLiteral("Сумма (7)"));
    put(o.inn_sender, QStringLiteral("ИНН плательщика (60)"), check_inn);
    put(o.kpp_sender, QStringLiteral("КПП плательщика (102)"),
        [&](const QString& value, const QString& field) {
            if (person && value != u"0" && (tax || !value.isEmpty()))
                return one(field, QStringLiteral("для плательщика — физического лица (ИНН из 12 "
                                                 "цифр) должен быть «0»"));
            return check_kpp(value, field, person);
        });
    put(o.sender, QStringLiteral("Плательщик (8)"), any);
    put(o.rs_sender, QStringLiteral("Счет плательщика (9)"), account(o.bik_sender, K::Settlement));
    put(o.bank_sender, QStringLiteral("Банк плательщика (10)"), any);
    put(o.bik_sender, QStringLiteral("БИК банка плательщика (11)"), check_bik);
    put(o.ks_sender, QStringLiteral("Корр. счет банка плательщика (12)"),
        account(o.bik_sender, K::Correspondent));
    put(o.bank, QStringLiteral("Банк получателя (13)"), any);
    put(o.bik, QStringLiteral("БИК банка получателя (14)"), check_bik);
    put(o.ks, QStringLiteral("Корр. счет банка получателя (15)"), account(o.bik, K::Correspondent));
    put(o.inn, QStringLiteral("ИНН получателя (61)"), check_inn);
    put(o.kpp, QStringLiteral("КПП получателя (103)"),
        [&](const QString& value, const QString& field) {
            Problems found = check_kpp(value, field, false);
            if (found.isEmpty() && tax && !rules.tax_kpp.isEmpty() && value != rules.tax_kpp)
                found = one(field, kTaxOnly.arg(rules.tax_kpp));
            return found;
        });
    put(o.receiver, QStringLiteral("Получатель (16)"), any);
    put(o.rs, QStringLiteral("Счет получателя (17)"),
        account(o.bik, K::Settlement, tax ? rules.treasury_account : none));
    put(o.priority, QStringLiteral("Очередность платежа (21)"), check_priority);
    put(o.code, QStringLiteral("Код (22)"), check_code);
    put(o.kbk, QStringLiteral("КБК (104)"), check_kbk);
    put(o.okato, QStringLiteral("ОКТМО (105)"), check_okato);
    put(o.reason, QStringLiteral("Основание платежа (106)"), zero(u"должно"));
    put(o.period, QStringLiteral("Налоговый период (107)"), zero(u"должен"));
    put(o.document_date, QStringLiteral("Дата документа (109)"), zero(u"должна", true));
    put(o.payment_type, QStringLiteral("Тип платежа (110)"), any);
    put(o.aim, QStringLiteral("Назначение платежа (24)"), check_purpose);
    return all;
}

} // namespace tavrelis
