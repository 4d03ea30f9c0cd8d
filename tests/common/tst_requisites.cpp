#include "common/enp.h"
#include "common/requisites.h"
#include "support/bank_order.h"
#include "support/cases.h"

#include <QtTest>

using namespace tavrelis;
using F = BankOrderFields;
using Member = QString F::*;
Q_DECLARE_METATYPE(tavrelis::BankOrderFields)
Q_DECLARE_METATYPE(Member)
Q_DECLARE_METATYPE(std::optional<tavrelis::EnpRequisites>)

namespace {

F with(std::initializer_list<std::pair<Member, QString>> changes) {
    F o = testsupport::valid_bank_order();
    for (const auto& [member, value] : changes)
        o.*member = value;
    return o;
}

QStringList described(const RequisiteProblems& problems) {
    QStringList out;
    for (const RequisiteProblem& p : problems)
        out << p.field + QStringLiteral(": ") + p.problem;
    return out;
}

const QString kInnForm =
    QStringLiteral(": должен состоять из 10 цифр (организация) или 12 цифр (физическое лицо)");
const QString kControl = QStringLiteral(": контрольное число не сходится");
const QString kKey = QStringLiteral(": контрольный ключ не сходится с БИК банка");
const QString kEmpty = QStringLiteral(": не заполнено");
const QString kKppForm =
    QStringLiteral(": должен состоять из 9 знаков: 4 цифры (не начиная с «00»), 2 цифры или "
                   "заглавные латинские буквы, 3 цифры; либо быть «0»");
const QString kOkatoForm =
    QStringLiteral(": должен состоять из 8 или 11 цифр, не одних нулей; либо быть «0»");
const QString kZero = QStringLiteral(": для платежа в налоговый орган со статусом 01 или 13 ");
const QString kTax = QStringLiteral(": для платежа в налоговый орган должен быть ");
const QString kPerson =
    QStringLiteral("КПП плательщика (102): для плательщика — физического лица (ИНН из 12 цифр) "
                   "должен быть «0»");
const QString kCode =
    QStringLiteral("Код (22): должен быть «0» либо УИН из 20 или 25 цифр, не из одних нулей");
const QString kControlChar =
    QStringLiteral(": содержит управляющий символ, он будет заменен пробелом");

QString no_code(const QString& sign) {
    return QStringLiteral(": содержит знак «%1», которого нет в кодировке windows-1251: он будет "
                          "заменен на «?»")
        .arg(sign);
}

// A payment to someone other than the tax service: another INN and a KBK not of the service.
const std::pair<Member, QString> kNotTax[] = {{&F::inn, "7707083893"},
                                              {&F::kbk, "10010302231010000110"}};

} // namespace

class TestRequisites : public QObject {
    Q_OBJECT
private slots:
    // The real order with fields changed, and what the checks say of it: for each rule a
    // value that passes and one that breaks it.
    void problems_data() {
        columns<F, QStringList>(); // order, expected
        const QString innTo = QStringLiteral("ИНН получателя (61)"),
                      innFrom = QStringLiteral("ИНН плательщика (60)"),
                      kppTo = QStringLiteral("КПП получателя (103)"),
                      kppFrom = QStringLiteral("КПП плательщика (102)"),
                      rsFrom = QStringLiteral("Счет плательщика (9)"),
                      ksFrom = QStringLiteral("Корр. счет банка плательщика (12)");
        auto row = [](const char* name, const F& o, const QStringList& expected = {}) {
            QTest::newRow(name) << o << expected;
        };
        const std::pair<Member, QString> office[] = {{&F::bik_sender, "044525000"},
                                                     {&F::rs_sender, "40101810045250010041"},
                                                     {&F::ks_sender, ""}};
        const QString person = "500100732259";
        row("single tax payment", with({}));
        row("INN 10, control digit off", with({{&F::inn, "7707083894"}}), {innTo + kControl});
        row("natural person", with({{&F::inn_sender, person}, {&F::kpp_sender, "0"}}));
        row("natural person, no KPP, to the tax service",
            with({{&F::inn_sender, person}, {&F::kpp_sender, ""}}), {kPerson});
        row("natural person, no KPP, elsewhere",
            with({{&F::inn_sender, person}, {&F::kpp_sender, ""}, kNotTax[0], kNotTax[1]}));
        row("natural person with a KPP", with({{&F::inn_sender, person}}), {kPerson});
        row("INN 12, 11th digit off",
            with({{&F::inn_sender, "500100732269"}, {&F::kpp_sender, "0"}}), {innFrom + kControl});
        row("settlement account off", with({{&F::rs_sender, "40702810938000000002"}}),
            {rsFrom + kKey});
        row("BIK under a settlement account off", with({{&F::bik_sender, "044525226"}}),
            {rsFrom + kKey});
        row("correspondent account off", with({{&F::ks_sender, "30101810400000000235"}}),
            {ksFrom + kKey});
        row("treasury's single account off", with({{&F::ks, "40102810445370000069"}}),
            {"Корр. счет банка получателя (15)" + kKey});
        row("treasury account, not keyed, not the service's",
            with({{&F::rs, "03100643000000018501"}}),
            {"Счет получателя (17)" + kTax + "03100643000000018500"});
        row("account at a Bank of Russia office", with({office[0], office[1], office[2]}));
        row("account at a Bank of Russia office off",
            with({office[0], {&F::rs_sender, "40101810045250010042"}, office[2]}), {rsFrom + kKey});
        row("settlement account keyed as at an office",
            with({{&F::bik_sender, "044525000"}, {&F::ks_sender, ""}}), {rsFrom + kKey});
        row("KPP with Latin capitals", with({{&F::kpp_sender, "7736AZ001"}}));
        row("KPP starting 00", with({{&F::kpp_sender, "007701001"}}), {kppFrom + kKppForm});
        row("KPP with a line break after it", with({{&F::kpp_sender, "773601001\n"}}),
            {kppFrom + kKppForm});
        row("receiver's KPP not the service's", with({{&F::kpp, "770801001"}}),
            {kppTo + kTax + "770701001"});
        row("OKTMO of 11 digits", with({{&F::okato, "45379000001"}}));
        row("OKTMO of zeros", with({{&F::okato, "00000000"}}), {"ОКТМО (105)" + kOkatoForm});
        row("OKATO of 7", with({{&F::okato, "4537900"}}), {"ОКТМО (105)" + kOkatoForm});
        row("purpose of 210 characters", with({{&F::aim, QString(210, u'я')}}));
        row("purpose of 211 characters", with({{&F::aim, QString(211, u'я')}}),
            {"Назначение платежа (24): не может быть длиннее 210 знаков, сейчас 211"});
        row("INN of 9 digits", with({{&F::inn, "770708389"}}), {innTo + kInnForm});
        row("payer's INN starting 00", with({{&F::inn_sender, "0007083893"}}),
            {innFrom + ": не может начинаться с двух нулей"});
        row("no KPP of a company payer", with({{&F::kpp_sender, ""}}), {kppFrom + kEmpty});
        row("BIK of 8", with({{&F::bik, "01700398"}}),
            {"БИК банка получателя (14): должен состоять из 9 цифр"});
        row("no correspondent account at a bank", with({{&F::ks_sender, ""}}), {ksFrom + kEmpty});
        row("KBK of 19", with({{&F::kbk, "1820106120101000051"}}),
            {"КБК (104): должен состоять из 20 цифр"});
        row("KBK of zeros", with({{&F::kbk, QString(20, u'0')}}),
            {"КБК (104): не может состоять из одних нулей"});
        row("amount with no-break blanks", with({{&F::sum, "1\u00A0234\u202F567,50"}}));
        row("zero amount", with({{&F::sum, "0,00"}}), {"Сумма (7): должна быть больше нуля"});
        row("amount not a number", with({{&F::sum, "12р"}}), {"Сумма (7): не является числом"});
        row("31 February", with({{&F::payment_date, "31.02.2026"}}),
            {"Дата платежного поручения (4): должна быть датой в виде ДД.ММ.ГГГГ"});
        row("status 13 given", with({{&F::status, "13"}}));
        row("status 02 to the tax service", with({{&F::status, "02"}}),
            {"Статус плательщика (101)" + kTax + "«01» (организация) или «13» (физическое лицо)"});
        row("status 02 elsewhere", with({{&F::status, "02"}, kNotTax[0], kNotTax[1]}));
        row("status of one digit elsewhere", with({{&F::status, "2"}, kNotTax[0], kNotTax[1]}),
            {"Статус плательщика (101): должен состоять из 2 цифр"});
        row("reason ТП", with({{&F::reason, "ТП"}}),
            {"Основание платежа (106)" + kZero + "должно быть «0»"});
        row("no reason", with({{&F::reason, ""}}),
            {"Основание платежа (106)" + kZero + "должно быть «0»"});
        row("period of a month", with({{&F::period, "МС.05.2026"}}),
            {"Налоговый период (107)" + kZero + "должен быть «0»"});
        row("document's date", with({{&F::document_date, "30.04.2026"}}),
            {"Дата документа (109)" + kZero + "должна быть «0»"});
        row("no document's date", with({{&F::document_date, ""}}));
        row("tax service by its INN alone", with({kNotTax[1], {&F::reason, "ТП"}}),
            {"Основание платежа (106)" + kZero + "должно быть «0»"});
        row("tax service by its KBK alone", with({kNotTax[0], {&F::period, "КВ.01.2026"}}),
            {"Налоговый период (107)" + kZero + "должен быть «0»"});
        row("status 02 to the tax service keeps its fields",
            with({{&F::status, "02"}, {&F::reason, "ТП"}, {&F::document_date, "30.04.2026"}}),
            {"Статус плательщика (101)" + kTax + "«01» (организация) или «13» (физическое лицо)"});
        row("elsewhere the fields are free", with({kNotTax[0],
                                                   kNotTax[1],
                                                   {&F::reason, "ТП"},
                                                   {&F::period, "МС.05.2026"},
                                                   {&F::document_date, "30.04.2026"},
                                                   {&F::rs, "03100643000000018501"}}));
        row("УИН of 20 digits", with({{&F::code, "18209965260349137111"}}));
        row("УИН of 25 digits", with({{&F::code, "1820996526034913711100001"}}));
        row("code 0", with({{&F::code, "0"}}));
        row("УИН of zeros", with({{&F::code, QString(20, u'0')}}), {kCode});
        row("УИН of 19 digits", with({{&F::code, "1820996526034913711"}}), {kCode});
        row("tab in the payer's name", with({{&F::sender, "ООО\t\"Ромашка\""}}),
            {"Плательщик (8)" + kControlChar});
        row("line separators in the purpose", with({{&F::aim, "налог\u2028за\u0085май\u2029"}}),
            {"Назначение платежа (24)" + kControlChar});
        row("signs without a code", with({{&F::aim, "налог ✓ 😀 ✓"}}),
            {"Назначение платежа (24)" + no_code("✓"), "Назначение платежа (24)" + no_code("😀")});
        row("both in the bank's name", with({{&F::bank, "ОКЦ\r\n№ 7 ≈"}}),
            {"Банк получателя (13)" + kControlChar, "Банк получателя (13)" + no_code("≈")});
        row("every free text is looked at",
            with({{&F::way, "\t"},
                  {&F::bank_sender, "\t"},
                  {&F::receiver, "\t"},
                  {&F::payment_type, "\t"}}),
            {"Вид платежа (5)" + kControlChar, "Банк плательщика (10)" + kControlChar,
             "Получатель (16)" + kControlChar, "Тип платежа (110)" + kControlChar});
        row("every problem is listed", with({{&F::inn, ""}, {&F::priority, "x"}}),
            {innTo + kEmpty, "Очередность платежа (21): должна быть одной цифрой"});
    }
    void problems() {
        auto [order, expected] = fetch<F, QStringList>();
        QCOMPARE(described(check_bank_order(order, testsupport::tax_rules())), expected);
    }

    // Without the tax service's requisites its receiver is not compared, the rest still is.
    void no_rules() {
        const F o = with({{&F::rs, "03100643000000018501"}, {&F::kpp, "770801001"}});
        QCOMPARE(described(check_bank_order(o, {})), QStringList());
        QCOMPARE(described(check_bank_order(with({{&F::reason, "ТП"}}), {})),
                 QStringList{"Основание платежа (106)" + kZero + "должно быть «0»"});
    }

    // Every change of one digit is found: anywhere in an account or in the BIK digits keyed
    // with it (the 7-1-3 weights make any change show), and in an INN's control digits.
    void one_digit_off_data() {
        columns<F, Member, QList<int>>(); // order, field, positions
        const F real = testsupport::valid_bank_order();
        const QList<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
        QTest::newRow("INN of 10") << real << Member(&F::inn) << QList<int>{9};
        row("INN of 12", with({{&F::inn_sender, "500100732259"}, {&F::kpp_sender, "0"}}),
            Member(&F::inn_sender), QList<int>{10, 11});
        // No digit zero, so that every weight counts.
        row("INN of 10, no zero", with({{&F::inn_sender, "1234567894"}}), Member(&F::inn_sender),
            QList<int>{9});
        row("INN of 12, no zero", with({{&F::inn_sender, "123456789110"}, {&F::kpp_sender, "0"}}),
            Member(&F::inn_sender), QList<int>{10, 11});
        QTest::newRow("settlement account") << real << Member(&F::rs_sender) << all;
        QTest::newRow("BIK under it") << real << Member(&F::bik_sender) << QList<int>{6, 7, 8};
        QTest::newRow("correspondent account") << real << Member(&F::ks_sender) << all;
        row("BIK under that", with({{&F::rs_sender, "03100643000000018500"}}),
            Member(&F::bik_sender), QList<int>{4, 5});
    }
    void one_digit_off() {
        auto [order, field, positions] = fetch<F, Member, QList<int>>();
        const BudgetRules rules = testsupport::tax_rules();
        QVERIFY(check_bank_order(order, rules).isEmpty());
        for (const int at : positions)
            for (char16_t d = u'0'; d <= u'9'; ++d) {
                F changed = order;
                if ((changed.*field)[at] == QChar(d))
                    continue;
                (changed.*field)[at] = QChar(d);
                QVERIFY2(!check_bank_order(changed, rules).isEmpty(), qPrintable(changed.*field));
            }
    }

    // The file of the single tax payment's receiver: the installed one, and what else a user's
    // editing may leave in it. A null text stands for no file.
    void enp_file_data() {
        columns<QByteArray, std::optional<EnpRequisites>>(); // bytes, expected
        const EnpRequisites real{"Казначейство России (ФНС России)",
                                 "7727406020",
                                 "770701001",
                                 "03100643000000018500",
                                 "017003983",
                                 "40102810445370000059",
                                 "ОКЦ № 7 ГУ Банка России по ЦФО//УФК по Тульской области, г. Тула",
                                 "18201061201010000510"};
        QFile installed(TAVRELIS_SOURCE_DIR "/templates/enp.ini");
        QVERIFY(installed.open(QIODevice::ReadOnly));
        const QByteArray text = installed.readAll();
        QTest::newRow("installed") << text << std::optional(real);
        QByteArray loose = "\xEF\xBB\xBF; edited\r\n\r\n  # again\r\n" + text;
        loose.replace("inn=", " inn =  ").replace("kbk=18201061201010000510", "kbk=\t1\t");
        EnpRequisites changed = real;
        changed.kbk = "1";
        QTest::newRow("BOM, comments, blanks") << loose << std::optional(changed);
        row("a key missing", QByteArray(text).replace("\nbik=", "\nbic="),
            std::optional<EnpRequisites>());
        row("a value empty", QByteArray(text).replace("=770701001", "= "),
            std::optional<EnpRequisites>());
        row("windows-1251", QByteArray(text).replace("ФНС", "\xD4\xCD\xD1"),
            std::optional<EnpRequisites>());
        QTest::newRow("no file") << QByteArray() << std::optional<EnpRequisites>();
    }
    void enp_file() {
        auto [bytes, expected] = fetch<QByteArray, std::optional<EnpRequisites>>();
        QTemporaryDir dir;
        const QString path = dir.filePath("enp.ini");
        if (!bytes.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        const std::optional<EnpRequisites> read = read_enp_file(path);
        QCOMPARE(read.has_value(), expected.has_value());
        if (expected)
            QCOMPARE(*read, *expected);
    }
};

QTEST_MAIN(TestRequisites)
#include "tst_requisites.moc"
