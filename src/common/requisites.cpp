#include "common/requisites.h"

#include "common/numbers.h"

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

bool bank_of_russia_office(const QString& bik) {
    const QStringView tail = QStringView(bik).sliced(6);
    return tail == u"000" || tail == u"001" || tail == u"002";
}

} // namespace

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
    static const QRegularExpression form(
        QStringLiteral("^([0-9][1-9]|[1-9][0-9])[0-9]{2}[0-9A-Z]{2}[0-9]{3}$"));
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
    return {};
}

RequisiteProblems check_okato(const QString& okato, const QString& field) {
    if (okato.isEmpty())
        return one(field, kEmpty);
    const bool fits = okato == u"0" || ((digits(okato, 8) || digits(okato, 11)) &&
                                        okato.count(u'0') != okato.size());
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

RequisiteProblems check_bank_order(const BankOrderFields& o) {
    using K = AccountKind;
    RequisiteProblems all;
    all << check_date(o.payment_date, QStringLiteral("Дата платежного поручения"))
        << check_amount(o.sum, QStringLiteral("Сумма"))
        << check_inn(o.inn_sender, QStringLiteral("ИНН плательщика"))
        << check_kpp(o.kpp_sender, QStringLiteral("КПП плательщика"), o.inn_sender.size() == 12)
        << check_bik(o.bik_sender, QStringLiteral("БИК банка плательщика"))
        << check_account(o.rs_sender, o.bik_sender, K::Settlement,
                         QStringLiteral("Счет плательщика"))
        << check_account(o.ks_sender, o.bik_sender, K::Correspondent,
                         QStringLiteral("Корр. счет банка плательщика"))
        << check_inn(o.inn, QStringLiteral("ИНН получателя"))
        << check_kpp(o.kpp, QStringLiteral("КПП получателя"), false)
        << check_bik(o.bik, QStringLiteral("БИК банка получателя"))
        << check_account(o.rs, o.bik, K::Settlement, QStringLiteral("Счет получателя"))
        << check_account(o.ks, o.bik, K::Correspondent,
                         QStringLiteral("Корр. счет банка получателя"))
        << check_kbk(o.kbk, QStringLiteral("КБК")) << check_okato(o.okato, QStringLiteral("ОКАТО"))
        << check_priority(o.priority, QStringLiteral("Очередность платежа"))
        << check_purpose(o.aim, QStringLiteral("Назначение платежа"));
    return all;
}

} // namespace tavrelis
