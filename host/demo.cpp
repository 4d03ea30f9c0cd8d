#include "demo.h"

#include "data/connection.h"
#include "data/database_file.h"
#include "data/schema.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/work_calendar.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <random>

namespace host {

using tavrelis::Error;

namespace {

// ---------------------------------------------------------------------------------------------
// Control digits. The demo's numbers carry valid ones, so that checks made on them downstream
// (a bank's, a tax office's) would pass.

int digit_at(const QString& s, qsizetype i) {
    return s.at(i).digitValue();
}

QString inn_check_digit(const QString& digits, const int* weights) {
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += digit_at(digits, i) * weights[i];
    return QString::number(sum % 11 % 10);
}

// An INN from its first 9 digits (legal person, 10 in all) or 10 digits (natural person, 12).
QString inn_with_check(const QString& head) {
    static const int w10[] = {2, 4, 10, 3, 5, 9, 4, 6, 8};
    static const int w11[] = {7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
    static const int w12[] = {3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8};
    if (head.size() == 9)
        return head + inn_check_digit(head, w10);
    const QString eleven = head + inn_check_digit(head, w11);
    return eleven + inn_check_digit(eleven, w12);
}

// The three digits an account is keyed with: the bank's last three BIK digits for an account
// at a credit institution; "0" and the BIK's fifth and sixth digits for a correspondent account
// and for an account held at a Bank of Russia division (BIK ending 000 to 002).
QString key_prefix(const QString& bik, bool correspondent) {
    const QString tail = bik.right(3);
    if (correspondent || tail == QLatin1String("000") || tail == QLatin1String("001") ||
        tail == QLatin1String("002"))
        return QLatin1Char('0') + bik.mid(4, 2);
    return tail;
}

// A 20-digit account: its first 8 digits, the key (ninth digit), its last 11 digits.
QString account(const QString& bik, const QString& head8, const QString& tail11,
                bool correspondent = false) {
    static const int w[] = {7, 1, 3};
    const QString s = key_prefix(bik, correspondent) + head8 + QLatin1Char('0') + tail11;
    int sum = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        sum += digit_at(s, i) * w[i % 3] % 10;
    return head8 + QString::number(sum % 10 * 3 % 10) + tail11;
}

QString correspondent_account(const QString& bik) {
    return account(bik, QStringLiteral("30101810"), QStringLiteral("00000000") + bik.right(3),
                   true);
}

// ---------------------------------------------------------------------------------------------
// A new database file of the host, filled in one transaction.

class Db {
public:
    Db(const QString& path, const QString& schema) {
        if (const QString e = tavrelis::data::create_database(path, schema); !e.isEmpty())
            throw Error(e);
        c_.set_connection_string(tavrelis::data::access_connection_string(path));
        c_.open();
        // A file being made need not survive a crash; a server keeps its own settings.
        if (tavrelis::data::link_uri(path).isEmpty())
            c_.execute(QStringLiteral("PRAGMA synchronous=OFF"));
        c_.execute(QStringLiteral("BEGIN"));
    }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void exec(const QString& sql) { c_.execute(sql); }

    // Inserts one row; a QDate is stored as ISO text. Returns the row's id.
    qint64 insert(const QString& table, const QStringList& columns, const QVariantList& values) {
        QVariantList params;
        for (const QVariant& v : values) {
            if (v.isNull())
                params << QVariant();
            else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
                params << v.toLongLong();
            else if (v.typeId() == QMetaType::Double)
                params << v.toDouble();
            else
                params << (v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                                                          : v.toString());
        }
        // Every table's key is its first column; read back, it serves either engine.
        const tavrelis::data::Recordset r = c_.execute(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING *")
                .arg(table, columns.join(QLatin1Char(',')),
                     QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))),
            params);
        return r.field(0).toLongLong();
    }

    // The first column of the first row of a query as a number; 0 when no row.
    qint64 number(const QString& sql) {
        const tavrelis::data::Recordset r = c_.execute(sql);
        return r.eof() ? 0 : r.field(0).toLongLong();
    }
    double real(const QString& sql) {
        const tavrelis::data::Recordset r = c_.execute(sql);
        return r.eof() ? 0 : r.field(0).toDouble();
    }

private:
    tavrelis::data::Connection c_;
};

// ---------------------------------------------------------------------------------------------
// Reporting periods.

const char* const month_names[] = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                                   "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
const char* const quarter_names[] = {"I квартал", "II квартал", "III квартал", "IV квартал"};

// Report kinds. Those the module leaves out of its period list carry periods of their own
// (the accounting statements' cumulative ones, the catch-all "Иное").
enum Report {
    Monthly = 1,
    Quarterly = 2,
    HalfYearly = 3,
    Yearly = 4,
    Accounting = 17,
    Other = 101
};

struct Period {
    int report;
    QString name;
    int year;
    QDate begin, end;
};

QString quarter_text(int year, int q) {
    return QString::fromUtf8(quarter_names[q - 1]) + QLatin1Char(' ') + QString::number(year);
}
QString month_text(int year, int m) {
    return QString::fromUtf8(month_names[m - 1]) + QLatin1Char(' ') + QString::number(year);
}
QString year_text(int year) {
    return QStringLiteral("год ") + QString::number(year);
}

QVector<Period> periods(int first_year, int last_year) {
    QVector<Period> all;
    for (int y = first_year; y <= last_year; ++y) {
        const QDate jan1(y, 1, 1);
        for (int m = 1; m <= 12; ++m)
            all.push_back({Monthly, QString::fromUtf8(month_names[m - 1]), y, QDate(y, m, 1),
                           QDate(y, m, 1).addMonths(1).addDays(-1)});
        for (int q = 1; q <= 4; ++q) {
            const QDate b(y, 3 * q - 2, 1);
            all.push_back({Quarterly, QString::fromUtf8(quarter_names[q - 1]), y, b,
                           b.addMonths(3).addDays(-1)});
        }
        all.push_back({HalfYearly, QStringLiteral("1 полугодие"), y, jan1, QDate(y, 6, 30)});
        all.push_back(
            {HalfYearly, QStringLiteral("2 полугодие"), y, QDate(y, 7, 1), QDate(y, 12, 31)});
        all.push_back({Yearly, QStringLiteral("год"), y, jan1, QDate(y, 12, 31)});
        const char* const cumulative[] = {"3 месяца", "6 месяцев", "9 месяцев", "12 месяцев"};
        for (int q = 1; q <= 4; ++q)
            all.push_back({Accounting, QString::fromUtf8(cumulative[q - 1]), y, jan1,
                           QDate(y, 3 * q, 1).addMonths(1).addDays(-1)});
        all.push_back({Other, QStringLiteral("Иное"), y, jan1, QDate(y, 12, 31)});
    }
    // TIME_ID follows the end of a period, shorter periods first, so that the newest period
    // has the greatest id.
    std::stable_sort(all.begin(), all.end(), [](const Period& a, const Period& b) {
        if (a.end != b.end)
            return a.end < b.end;
        if (a.begin != b.begin)
            return a.begin > b.begin;
        return a.report < b.report;
    });
    return all;
}

// ---------------------------------------------------------------------------------------------
// The sample data.

struct Tax {
    const char* code;
    const char* name;
    const char* kbk;
};

const Tax taxes[] = {
    {"1",
     "Налог на добавленную стоимость на товары (работы, услуги), реализуемые на территории "
     "Российской Федерации",
     "18210301000011000110"},
    {"2", "Налог на прибыль организаций, зачисляемый в федеральный бюджет", "18210101011011000110"},
    {"3",
     "Налог на имущество организаций по имуществу, не входящему в Единую систему "
     "газоснабжения",
     "18210602010021000110"},
    {"4", "Налог на доходы физических лиц с доходов, источником которых является налоговый агент",
     "18210102010011000110"},
    {"5", "Транспортный налог с организаций", "18210604011021000110"},
    {"6", "Государственная пошлина по делам, рассматриваемым в арбитражных судах",
     "18210801000011000110"},
    {"7", "Налог на прибыль организаций, зачисляемый в бюджеты субъектов Российской Федерации",
     "18210101012021000110"},
    {"8",
     "Земельный налог с организаций, обладающих земельным участком, расположенным в границах "
     "городских округов",
     "18210606032041000110"},
    {"9", "Транспортный налог с физических лиц", "18210604012021000110"},
    {"10",
     "Налог, взимаемый с налогоплательщиков, выбравших в качестве объекта налогообложения "
     "доходы",
     "18210501011011000110"},
    {"11", "Страховые взносы на обязательное пенсионное страхование в фиксированном размере",
     "18210202140061110160"},
    {"12",
     "Налог на доходы физических лиц с доходов, полученных физическими лицами, "
     "зарегистрированными в качестве индивидуальных предпринимателей",
     "18210102020011000110"},
};

// Operation kinds: accruals (act_prim_id 4) of the three card parts, and the payments the
// module posts (62 to 64).
struct Action {
    int id, prim, part;
    const char* name;
};
const Action actions[] = {
    {1, 4, 1, "Начислено по декларации (расчету)"},
    {2, 4, 2, "Начислены пени"},
    {3, 4, 3, "Начислен штраф"},
    {4, 4, 1, "Доначислено по уточненной декларации"},
    {5, 4, 1, "Доначислено по решению налогового органа"},
    {10, 5, 1, "Уменьшено по уточненной декларации"},
    {62, 6, 1, "Уплачен налог (авансовый платеж)"},
    {63, 6, 2, "Уплачены пени"},
    {64, 6, 3, "Уплачен штраф"},
    {70, 7, 1, "Зачет переплаты"},
};
enum Act { Accrual = 1, Penalty = 2, Fine = 3, ByDecision = 5 };

int payment_act(int act) {
    return act == Penalty ? 63 : act == Fine ? 64 : 62;
}

// How the accruals of a card fall due.
enum class Schedule {
    Quarterly,       // 28th of the month after the quarter
    VatThirds,       // a third on the 28th of each of the three months after the quarter
    Monthly,         // 28th of the next month
    Contribution,    // yearly, 28 December of the year
    TransportNatural // yearly, 1 December of the next year
};

struct Card {
    int stream;
    const char* taxcode; // as the card stores it; the property tax card holds its code negated
    Schedule schedule;
    double base; // typical amount of one period
    bool filed;  // backed by a declaration with a date, else by the host's own calculation
};

// Report set 1 is the taxpayer ООО; 3 and 4 are the accrual streams of its Tver branch
// (the Klin subdivision has none); 2 is the ИП; 5 another company. Card order matters: the
// module lists a report set's taxes in the order the cards come back, VAT first.
const Card cards[] = {
    {1, "1", Schedule::VatThirds, 450000, true},
    {1, "2", Schedule::Quarterly, 180000, true},
    {1, "-3", Schedule::Quarterly, 35000, false},
    {1, "4", Schedule::Monthly, 95000, true},
    {1, "5", Schedule::Quarterly, 12000, false},
    {1, "7", Schedule::Quarterly, 160000, true},
    {1, "99", Schedule::Quarterly, 15000, false},
    {3, "1", Schedule::VatThirds, 210000, true},
    {3, "2", Schedule::Quarterly, 70000, true},
    {3, "7", Schedule::Quarterly, 64000, true},
    {3, "4", Schedule::Monthly, 41000, true},
    {4, "-3", Schedule::Quarterly, 18000, false},
    {4, "5", Schedule::Quarterly, 7500, false},
    {2, "10", Schedule::Quarterly, 42000, true},
    {2, "11", Schedule::Contribution, 45842, false},
    {2, "9", Schedule::TransportNatural, 6720, false},
    {5, "1", Schedule::VatThirds, 260000, true},
    {5, "2", Schedule::Quarterly, 90000, true},
};

struct Receiver {
    QString name, inn, kpp, okato, bik, bank, rs, ks;
};

struct Bank {
    QString bik, name;
};

class Builder {
public:
    Builder(Db& fsk, Db& valmora, const QDate& today)
        : fsk_(fsk), valmora_(valmora), today_(today),
          calendar_(tavrelis::platform::make_work_calendar(QString())), rng_(20060101) {}

    void run() {
        taxpayers();
        reporting_periods();
        directory();
        card_operations();
        receivers();
        own_requisites();
    }

private:
    // -- taxpayers ----------------------------------------------------------------------------

    // A branch shares the INN of its company and has a KPP of its own.
    const QString company_inn = inn_with_check(QStringLiteral("770512345"));
    const QString company_kpp = QStringLiteral("770501001");
    const QString tver_kpp = QStringLiteral("695243001");
    const QString klin_kpp = QStringLiteral("502045001");
    const QString ip_inn = inn_with_check(QStringLiteral("6952012345"));
    const QString bakery_inn = inn_with_check(QStringLiteral("695001234"));
    const QString bakery_kpp = QStringLiteral("695001001");

    void taxpayers() {
        const QStringList legal{"id", "inn", "kpp", "fullname", "shortname"};
        valmora_.insert("legalperson", legal,
                        {1, company_inn, company_kpp,
                         "Общество с ограниченной ответственностью \"Северный ветер\"",
                         "ООО \"Северный ветер\""});
        valmora_.insert("legalperson", legal,
                        {2, company_inn, tver_kpp,
                         "Тверской филиал общества с ограниченной ответственностью "
                         "\"Северный ветер\"",
                         "Тверской филиал ООО \"Северный ветер\""});
        // No short name: the module lists it by its full name.
        valmora_.insert("legalperson", legal,
                        {3, company_inn, klin_kpp,
                         "Обособленное подразделение ООО \"Северный ветер\" в г. Клин", ""});
        valmora_.insert("legalperson", legal,
                        {4, bakery_inn, bakery_kpp,
                         "Акционерное общество \"Верхневолжский хлебозавод\"",
                         "АО \"Верхневолжский хлебозавод\""});
        valmora_.insert("naturalperson", {"id", "inn", "surname", "name", "patronymic"},
                        {1, ip_inn, "Иванова", "Мария", "Петровна"});

        // Person ids differ from the ids of their rows in legalperson and naturalperson.
        const QStringList person{"id", "type", "personrealid"};
        valmora_.insert("person", person, {11, 2, 1});
        valmora_.insert("person", person, {12, 2, 2});
        valmora_.insert("person", person, {13, 2, 3});
        valmora_.insert("person", person, {14, 1, 1});
        valmora_.insert("person", person, {15, 2, 4});
        valmora_.insert("branches", {"parentpersonid", "childpersonid"}, {11, 12});
        valmora_.insert("branches", {"parentpersonid", "childpersonid"}, {11, 13});

        const QStringList stream{"id", "personid", "name"};
        valmora_.insert("accstream", stream, {1, 11, "ООО \"Северный ветер\""});
        valmora_.insert("accstream", stream, {2, 14, "ИП Иванова М. П."});
        valmora_.insert("accstream", stream, {3, 12, "Тверской филиал: основная деятельность"});
        valmora_.insert("accstream", stream, {4, 12, "Тверской филиал: имущество и транспорт"});
        valmora_.insert("accstream", stream, {5, 15, "АО \"Верхневолжский хлебозавод\""});
    }

    void reporting_periods() {
        const QStringList kinds{"Ежемесячная отчетность",   "Ежеквартальная отчетность",
                                "Полугодовая отчетность",   "Годовая отчетность",
                                "Бухгалтерская отчетность", "Статистическая отчетность",
                                "Отчетность в ПФР",         "Отчетность в ФСС",
                                "Сведения о численности",   "Прочая отчетность"};
        const int ids[] = {Monthly, Quarterly, HalfYearly, Yearly, Accounting,
                           18,      21,        22,         23,     Other};
        for (int i = 0; i < kinds.size(); ++i)
            valmora_.insert("report_time", {"report_id", "report_name"}, {ids[i], kinds[i]});

        // The year before 2006 stands for the host's history, which the module does not list.
        int time_id = 0;
        for (const Period& p : periods(2005, today_.year() + 1))
            valmora_.insert("time_by_month",
                            {"TIME_ID", "REPORT_ID", "name", "the_year", "date_begin", "date_end"},
                            {++time_id, p.report, p.name, p.year, p.begin, p.end});
    }

    void directory() {
        for (const Tax& t : taxes)
            valmora_.insert(
                "nsi_taxlist", {"tax_code", "tax_name", "big_code"},
                {QString::fromUtf8(t.code), QString::fromUtf8(t.name), QString::fromUtf8(t.kbk)});
        for (const Action& a : actions)
            fsk_.insert("fsk_actions", {"act_id", "act_prim_id", "CardPart_ID", "act_name"},
                        {a.id, a.prim, a.part, QString::fromUtf8(a.name)});
    }

    // -- cards and their operations -----------------------------------------------------------

    QDate working_day(const QDate& d) const { return calendar_->working_day(d); }
    QDate the_28th(int year, int month) const {
        return working_day(QDate(year, 1, 28).addMonths(month - 1));
    }

    // An amount around base, to the kopeck.
    double amount(double base) {
        std::uniform_int_distribution<int> spread(70, 130);
        std::uniform_int_distribution<int> kopecks(0, 99);
        return double(qint64(base * spread(rng_) / 100)) + kopecks(rng_) / 100.0;
    }
    QString registration_number() {
        return QString::number(std::uniform_int_distribution<int>(10000000, 99999999)(rng_));
    }

    struct Op {
        qint64 card;
        int act;
        QString period;
        QDate term;
        double summa;
        QString docum, docum_num;
        QDate docum_date; // invalid: none
        bool deleted = false;
    };

    qint64 insert_op(const Op& op) {
        const QDate input =
            std::min(today_, op.docum_date.isValid() ? op.docum_date : op.term.addDays(-10));
        return fsk_.insert("fsk_operations",
                           {"card_id", "deleted", "input_day", "act_id", "term_day", "summa",
                            "docum", "period_name", "docum_num", "docum_date"},
                           {op.card, op.deleted ? 1 : 0, input, op.act, op.term, op.summa, op.docum,
                            op.period, op.docum_num,
                            op.docum_date.isValid() ? QVariant(op.docum_date) : QVariant()});
    }

    // An accrual as the host enters it: from a declaration once filed (three days before the
    // due date), else from its own calculation, with no document date.
    Op accrual(qint64 card, const Card& c, const QString& period, const QDate& term, double summa) {
        Op op{card, Accrual, period, term, summa, {}, {}, {}};
        const QDate filed = term.addDays(-3);
        if (c.filed && filed <= today_) {
            op.docum = QStringLiteral("Налоговая декларация");
            op.docum_num = registration_number();
            op.docum_date = filed;
        } else {
            op.docum = QStringLiteral("Расчет налога (авансового платежа)");
        }
        return op;
    }

    // A payment operation on the accrual's card, named in fact_payments.
    void pay(qint64 oper_id, const Op& op, const QDate& day) {
        const qint64 payment = insert_op({op.card, payment_act(op.act), op.period, day, op.summa,
                                          QStringLiteral("Платежное поручение"),
                                          QString::number(++payment_number_), day});
        fsk_.insert("fact_payments", {"oper_id", "pay_oper_id", "summa", "pay_date"},
                    {oper_id, payment, op.summa, day});
    }

    // Adds an operation; a live accrual past due is paid on its due date, except every fifth.
    qint64 add(const Op& op) {
        const qint64 id = insert_op(op);
        if (!op.deleted && op.term < today_ && ++due_count_ % 5 != 0)
            pay(id, op, op.term);
        return id;
    }

    qint64 card_of(int stream, const char* taxcode) const {
        return card_ids_.value(QString::number(stream) + QLatin1Char('/') +
                               QString::fromUtf8(taxcode));
    }

    void card_operations() {
        const int year = today_.year();
        const int quarter = (today_.month() - 1) / 3 + 1;
        // From January of the previous year up to the current quarter or month.
        const int quarters = 4 + quarter;
        const int months = 12 + today_.month();

        qint64 card_id = 0;
        for (const Card& c : cards) {
            ++card_id;
            card_ids_.insert(QString::number(c.stream) + QLatin1Char('/') +
                                 QString::fromUtf8(c.taxcode),
                             card_id);
            fsk_.insert("fsk_cardlist", {"card_id", "accstream_id", "taxcode", "open_date"},
                        {card_id, c.stream, QString::fromUtf8(c.taxcode), QDate(2006, 1, 1)});
            switch (c.schedule) {
            case Schedule::Quarterly:
            case Schedule::VatThirds:
                for (int i = 0; i < quarters; ++i) {
                    const int y = year - 1 + i / 4, q = i % 4 + 1;
                    const int parts = c.schedule == Schedule::VatThirds ? 3 : 1;
                    const double total = amount(c.base);
                    const double third = qRound64(total / parts * 100) / 100.0;
                    for (int k = 0; k < parts; ++k) {
                        const double part = k + 1 < parts ? third : total - third * (parts - 1);
                        const qint64 id =
                            add(accrual(card_id, c, quarter_text(y, q), the_28th(y, 3 * q + 1 + k),
                                        qRound64(part * 100) / 100.0));
                        if (i == quarters - 1 && k == 0)
                            current_first_[card_id] = id;
                    }
                }
                break;
            case Schedule::Monthly:
                for (int i = 0; i < months; ++i) {
                    const int y = year - 1 + i / 12, m = i % 12 + 1;
                    add(accrual(card_id, c, month_text(y, m), the_28th(y, m + 1), amount(c.base)));
                }
                break;
            case Schedule::Contribution:
                for (int y = year - 1; y <= year; ++y)
                    add(accrual(card_id, c, year_text(y), working_day(QDate(y, 12, 28)), c.base));
                break;
            case Schedule::TransportNatural:
                for (int y = year - 2; y < year; ++y)
                    add(accrual(card_id, c, year_text(y), working_day(QDate(y + 1, 12, 1)),
                                amount(c.base)));
                break;
            }
        }

        // A one-off state duty of the taxpayer, on a card of its own.
        const qint64 duty_card = ++card_id;
        fsk_.insert("fsk_cardlist", {"card_id", "accstream_id", "taxcode", "open_date"},
                    {duty_card, 1, "6", QDate(year, 1, 1)});
        const QDate claim = working_day(today_.addDays(-20));
        add({duty_card, Accrual, year_text(year), claim, 12000, "Исковое заявление",
             registration_number(), claim.addDays(-1)});

        current_quarter_extras(year, quarter);
        earlier_extras(year, quarter);
    }

    // On the due date of the current quarter the taxpayer's VAT card holds more than one
    // accrual of each card part, and the branch has paid its first third ahead of time.
    void current_quarter_extras(int year, int quarter) {
        const QString period = quarter_text(year, quarter);
        const QDate due = the_28th(year, 3 * quarter + 1);
        const qint64 vat = card_of(1, "1");
        add({vat, ByDecision, period, due, 18450.37, "Решение по камеральной проверке",
             registration_number(), today_.addDays(-3)});
        add({vat, Accrual, period, due, 99999.99, "Ошибочная запись", "", {}, true});
        add({vat, Penalty, period, due, 1234.56, "Расчет пени", "", {}});
        add({vat, Fine, period, due, 5000, "Решение о привлечении к ответственности",
             registration_number(), today_.addDays(-10)});

        const qint64 branch_vat = card_of(3, "1");
        const qint64 first = current_first_.value(branch_vat);
        pay(first, {branch_vat, Accrual, period, due, summa_of(first), {}, {}, {}},
            std::min(today_, due));
    }

    void earlier_extras(int year, int quarter) {
        const int y = quarter == 1 ? year - 1 : year;
        const int q = quarter == 1 ? 4 : quarter - 1;
        const QDate due = the_28th(y, 3 * q + 1);
        add({card_of(1, "1"), Penalty, quarter_text(y, q), due, 2871.14,
             "Требование об уплате налога", registration_number(), due.addDays(-7)});
        add({card_of(3, "1"), Penalty, quarter_text(y, q), due, 912.40, "Расчет пени", "", {}});
        add({card_of(1, "2"), Fine, year_text(year - 1), working_day(today_.addDays(-40)), 40000,
             "Решение о привлечении к ответственности", registration_number(),
             today_.addDays(-50)});
        add({card_of(3, "2"),
             Accrual,
             quarter_text(year - 1, 2),
             the_28th(year - 1, 7),
             7345.10,
             "Ошибочная запись",
             "",
             {},
             true});
        add({card_of(2, "10"),
             Accrual,
             quarter_text(year - 1, 1),
             the_28th(year - 1, 4),
             511.00,
             "Ошибочная запись",
             "",
             {},
             true});
    }

    double summa_of(qint64 oper_id) {
        return fsk_.real(
            QStringLiteral("SELECT summa FROM fsk_operations WHERE oper_id=%1").arg(oper_id));
    }

    // -- requisites ---------------------------------------------------------------------------

    // Since 2023 every tax goes to the tax service's single treasury account, as a host's
    // directory holds it in 2026; a per-tax row keeps the payer's OKTMO.
    static Receiver tax_service(const QString& okato) {
        return {QStringLiteral("Казначейство России (ФНС России)"),
                QStringLiteral("7727406020"),
                QStringLiteral("770701001"),
                okato,
                QStringLiteral("017003983"),
                QStringLiteral("ОКЦ № 7 ГУ Банка России по ЦФО//УФК по Тульской области, г. Тула"),
                QStringLiteral("03100643000000018500"),
                QStringLiteral("40102810445370000059")};
    }
    void receiver(const QString& self_inn, const QString& self_kpp, const QString& kbk,
                  const Receiver& r) {
        fsk_.insert(
            "requisites",
            {"self_inn", "self_kpp", "kbk", "receiver", "inn", "kpp", "okato", "bik", "bank", "rs",
             "ks"},
            {self_inn, self_kpp, kbk, r.name, r.inn, r.kpp, r.okato, r.bik, r.bank, r.rs, r.ks});
    }

    // The module looks requisites up by the tax code of the settlement card (the kbk column
    // holds that code), falling back to the payer's row with an empty kbk.
    void receivers() {
        const Receiver moscow = tax_service(QStringLiteral("45286555000"));
        const Receiver moscow_any = moscow;
        Receiver tver10 = tax_service(QStringLiteral("28401000000"));
        // The demo's one deliberate fault: the branch's receiver INN mistyped in its check
        // digit, so that an upload to the bank of the default orders stops at the check window.
        tver10.inn.back() = QChar(u'0' + (tver10.inn.back().digitValue() + 1) % 10);
        const Receiver tver12 = tax_service(QStringLiteral("28401000000"));

        for (const char* code : {"1", "2", "-3", "4", "6"})
            receiver(company_inn, company_kpp, QString::fromUtf8(code), moscow);
        receiver(company_inn, company_kpp, QString(), moscow_any);
        // The single tax payment's row, which takes precedence over Templates/enp.ini; the
        // branches and the other taxpayers pay by the file.
        receiver(company_inn, company_kpp, QStringLiteral("18201061201010000510"),
                 tax_service(QStringLiteral("0")));
        for (const char* code : {"1", "2", "7", "4"})
            receiver(company_inn, tver_kpp, QString::fromUtf8(code), tver10);
        receiver(company_inn, tver_kpp, QString(), tver10);
        // A natural person has no KPP: the module checks for requisites under an empty one
        // and fills the order from those under "0".
        for (const char* code : {"10", "11", "9"})
            receiver(ip_inn, QStringLiteral("0"), QString::fromUtf8(code), tver12);
        receiver(ip_inn, QString(), QString(), tver12);
        receiver(bakery_inn, bakery_kpp, QString(), tver12);
    }

    void own(const QString& inn, const QString& kpp, const QString& sender, const QString& okato,
             const Bank& bank, const QString& rs_head, const QString& rs_tail, bool closed) {
        fsk_.insert("self_requisites",
                    {"inn", "kpp", "sender", "okato", "bik", "bank", "rs", "ks", "closed"},
                    {inn, kpp, sender, okato, bank.bik, bank.name,
                     account(bank.bik, rs_head, rs_tail), correspondent_account(bank.bik),
                     closed ? 1 : 0});
    }

    void own_requisites() {
        const Bank sber_moscow{QStringLiteral("044525225"),
                               QStringLiteral("ПАО Сбербанк г. Москва")};
        const Bank alfa{QStringLiteral("044525593"), QStringLiteral("АО \"АЛЬФА-БАНК\" г. Москва")};
        const Bank sber_tver{QStringLiteral("042809679"),
                             QStringLiteral("Тверское отделение № 8607 ПАО Сбербанк г. Тверь")};
        const QString org = QStringLiteral("40702810");
        // The account the company has moved away from comes first: only open rows count.
        own(company_inn, company_kpp, "ООО \"Северный ветер\"", "45286555000", alfa, org,
            "01300004567", true);
        own(company_inn, company_kpp, "ООО \"Северный ветер\"", "45286555000", sber_moscow, org,
            "38000012345", false);
        own(company_inn, tver_kpp, "Тверской филиал ООО \"Северный ветер\"", "28401000000",
            sber_tver, org, "63000001234", false);
        own(ip_inn, "0", "ИП Иванова Мария Петровна", "28401000000", sber_tver,
            QStringLiteral("40802810"), "63000004321", false);
        own(bakery_inn, bakery_kpp, "АО \"Верхневолжский хлебозавод\"", "28401000000", sber_tver,
            org, "63000007777", false);
    }

    Db& fsk_;
    Db& valmora_;
    QDate today_;
    std::unique_ptr<tavrelis::platform::WorkCalendar> calendar_;
    std::mt19937 rng_;
    QHash<QString, qint64> card_ids_;     // "stream/taxcode" -> card_id
    QHash<qint64, qint64> current_first_; // card -> its first accrual due for the current quarter
    int due_count_ = 0;
    int payment_number_ = 0;
};

QString reg_escape(QString s) {
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    s.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return s;
}

void write_registry(const QString& path, const QString& database_folder) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(path + QStringLiteral(": ") + file.errorString());
    const QString text =
        QStringLiteral("Windows Registry Editor Version 5.00\n"
                       "\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\n"
                       "\"DataBasePath\"=\"%1\"\n"
                       "\n"
                       "[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\n"
                       "\"VersionAssemble\"=dword:0000005d\n")
            .arg(reg_escape(database_folder));
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw Error(path + QStringLiteral(": ") + file.errorString());
}

} // namespace

bool holds_installation(const QString& dir) {
    const QDir d(dir);
    return d.exists(QStringLiteral("registry.reg")) ||
           d.exists(QStringLiteral("Data/Fsk_Base.mdb")) ||
           d.exists(QStringLiteral("Data/Valmora2.mdb"));
}

bool make_demo(const QString& dir, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (dir.isEmpty())
        return fail(QStringLiteral("no folder given for the demo installation"));
    QDir root(QDir(dir).absolutePath());
    if (holds_installation(root.path()))
        return fail(root.path() + QStringLiteral(" already holds a host installation"));
    const bool had_root = root.exists();
    const bool had_data = root.exists(QStringLiteral("Data"));
    if (!root.mkpath(QStringLiteral("Data")))
        return fail(QStringLiteral("cannot create ") + root.filePath(QStringLiteral("Data")));

    const QString data = root.filePath(QStringLiteral("Data"));
    const QString files[] = {root.filePath(QStringLiteral("Data/Fsk_Base.mdb")),
                             root.filePath(QStringLiteral("Data/Valmora2.mdb")),
                             root.filePath(QStringLiteral("registry.reg"))};
    try {
        {
            // The host keeps its databases in write-ahead-log mode, so that the module and the
            // host read while the other writes.
            Db fsk(files[0], tavrelis::data::settlements_schema_sql());
            Db valmora(files[1], tavrelis::data::taxpayer_schema_sql());
            Builder(fsk, valmora, tavrelis::platform::today()).run();
            fsk.exec(QStringLiteral("COMMIT"));
            valmora.exec(QStringLiteral("COMMIT"));
        }
        // Written last: a registry file marks a complete installation.
        write_registry(files[2], data + QLatin1Char('/'));
        return true;
    } catch (const Error& e) {
        for (const QString& f : files)
            QFile::remove(f);
        if (!had_data)
            root.rmdir(QStringLiteral("Data"));
        if (!had_root)
            QDir().rmdir(root.path());
        return fail(e.description());
    }
}

QString demo_hint(const QString& dir) {
    // The current quarter's fine on the taxpayer's VAT card falls due on that quarter's date.
    QString hint;
    try {
        tavrelis::data::Connection c;
        c.set_connection_string(tavrelis::data::access_connection_string(
            QDir(dir).filePath(QStringLiteral("Data/Fsk_Base.mdb"))));
        c.open();
        const tavrelis::data::Recordset r = c.execute(
            QStringLiteral("select o.period_name, o.term_day from fsk_operations o, fsk_cardlist c "
                           "where o.card_id=c.card_id and c.accstream_id=1 and c.taxcode='1' "
                           "and o.act_id=3 and o.deleted=0 order by o.term_day desc limit 1"));
        if (!r.eof()) {
            const QString day = r.text_or_empty(1);
            QDate due = QDate::fromString(day, QStringLiteral("dd.MM.yyyy"));
            if (!due.isValid())
                due = QDate::fromString(day, Qt::ISODate);
            hint = QStringLiteral("Демонстрационные начисления за «%1» подлежат уплате %2: "
                                  "выберите эту дату в поле «Дата операции» и нажмите "
                                  "«Далее >>».")
                       .arg(r.text_or_empty(0), due.toString(QStringLiteral("dd.MM.yyyy")));
        }
    } catch (const Error&) {
    }
    return hint;
}

} // namespace host
