#include "common/enp.h"
#include "common/requisites.h"
#include "support/bank_order.h"

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

} // namespace

class TestRequisites : public QObject {
    Q_OBJECT
private slots:
    // The real order with fields changed, and what the checks say of it: for each rule a
    // value that passes and one a digit off.
    void problems_data() {
        QTest::addColumn<F>("order");
        QTest::addColumn<QStringList>("expected");
        const QString innTo = QStringLiteral("ИНН получателя"),
                      innFrom = QStringLiteral("ИНН плательщика"),
                      kppTo = QStringLiteral("КПП получателя"),
                      rsFrom = QStringLiteral("Счет плательщика"),
                      ksFrom = QStringLiteral("Корр. счет банка плательщика");
        auto row = [](const char* name, const F& o, const QStringList& expected = {}) {
            QTest::newRow(name) << o << expected;
        };
        const std::pair<Member, QString> office[] = {
            {&F::bik, "044525000"}, {&F::rs, "40101810045250010041"}, {&F::ks, ""}};
        row("real order", with({}));
        row("Sberbank's INN", with({{&F::inn, "7707083893"}}));
        row("INN 10, control digit off", with({{&F::inn, "7707083894"}}), {innTo + kControl});
        row("INN of a natural person, no KPP",
            with({{&F::inn_sender, "500100732259"}, {&F::kpp_sender, ""}}));
        row("INN 12, 11th digit off", with({{&F::inn_sender, "500100732269"}}),
            {innFrom + kControl});
        row("settlement account off", with({{&F::rs_sender, "40702810938000000002"}}),
            {rsFrom + kKey});
        row("BIK under a settlement account off", with({{&F::bik_sender, "044525226"}}),
            {rsFrom + kKey});
        row("correspondent account off", with({{&F::ks_sender, "30101810400000000235"}}),
            {ksFrom + kKey});
        row("treasury's single account off", with({{&F::ks, "40102810445370000069"}}),
            {"Корр. счет банка получателя" + kKey});
        row("treasury account is not keyed", with({{&F::rs, "03100643000000018501"}}));
        row("account at a Bank of Russia office", with({office[0], office[1], office[2]}));
        row("account at a Bank of Russia office off",
            with({office[0], {&F::rs, "40101810045250010042"}, office[2]}),
            {"Счет получателя" + kKey});
        row("settlement account keyed as at an office",
            with({{&F::bik_sender, "044525000"}, {&F::ks_sender, ""}}), {rsFrom + kKey});
        row("KPP with Latin capitals", with({{&F::kpp, "7701AZ001"}}));
        row("KPP starting 00", with({{&F::kpp, "007701001"}}), {kppTo + kKppForm});
        row("OKTMO of 11 digits", with({{&F::okato, "45379000001"}}));
        row("OKATO of 7", with({{&F::okato, "4537900"}}), {"ОКАТО" + kOkatoForm});
        row("purpose of 210 characters", with({{&F::aim, QString(210, u'я')}}));
        row("purpose of 211 characters", with({{&F::aim, QString(211, u'я')}}),
            {"Назначение платежа: не может быть длиннее 210 знаков, сейчас 211"});
        row("INN of 9 digits", with({{&F::inn, "770708389"}}), {innTo + kInnForm});
        row("INN starting 00", with({{&F::inn, "0007083893"}}),
            {innTo + ": не может начинаться с двух нулей"});
        row("no KPP of a company payer", with({{&F::kpp_sender, ""}}),
            {"КПП плательщика" + kEmpty});
        row("BIK of 8", with({{&F::bik, "01700398"}}),
            {"БИК банка получателя: должен состоять из 9 цифр"});
        row("no correspondent account at a bank", with({{&F::ks_sender, ""}}), {ksFrom + kEmpty});
        row("KBK of 19", with({{&F::kbk, "1820106120101000051"}}),
            {"КБК: должен состоять из 20 цифр"});
        row("zero amount", with({{&F::sum, "0,00"}}), {"Сумма: должна быть больше нуля"});
        row("amount not a number", with({{&F::sum, "12р"}}), {"Сумма: не является числом"});
        row("31 February", with({{&F::payment_date, "31.02.2026"}}),
            {"Дата платежного поручения: должна быть датой в виде ДД.ММ.ГГГГ"});
        row("every problem is listed", with({{&F::inn, ""}, {&F::priority, "x"}}),
            {innTo + kEmpty, "Очередность платежа: должна быть одной цифрой"});
    }
    void problems() {
        QFETCH(F, order);
        QFETCH(QStringList, expected);
        QCOMPARE(described(check_bank_order(order)), expected);
    }

    // Every change of one digit is found: anywhere in an account or in the BIK digits keyed
    // with it (the 7-1-3 weights make any change show), and in an INN's control digits.
    void one_digit_off_data() {
        QTest::addColumn<F>("order");
        QTest::addColumn<Member>("field");
        QTest::addColumn<QList<int>>("positions");
        const F real = testsupport::valid_bank_order();
        const QList<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
        QTest::newRow("INN of 10") << real << Member(&F::inn) << QList<int>{9};
        QTest::newRow("INN of 12") << with({{&F::inn_sender, "500100732259"}, {&F::kpp_sender, ""}})
                                   << Member(&F::inn_sender) << QList<int>{10, 11};
        QTest::newRow("settlement account") << real << Member(&F::rs_sender) << all;
        QTest::newRow("BIK under it") << real << Member(&F::bik_sender) << QList<int>{6, 7, 8};
        QTest::newRow("correspondent account") << real << Member(&F::ks_sender) << all;
        QTest::newRow("BIK under that") << with({{&F::rs_sender, "03100643000000018500"}})
                                        << Member(&F::bik_sender) << QList<int>{4, 5};
    }
    void one_digit_off() {
        QFETCH(F, order);
        QFETCH(Member, field);
        QFETCH(QList<int>, positions);
        QVERIFY(check_bank_order(order).isEmpty());
        for (const int at : positions)
            for (char16_t d = u'0'; d <= u'9'; ++d) {
                F changed = order;
                if ((changed.*field)[at] == QChar(d))
                    continue;
                (changed.*field)[at] = QChar(d);
                QVERIFY2(!check_bank_order(changed).isEmpty(), qPrintable(changed.*field));
            }
    }

    // The file of the single tax payment's receiver: the installed one, and what else a user's
    // editing may leave in it. A null text stands for no file.
    void enp_file_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<EnpRequisites>>("expected");
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
        QTest::newRow("a key missing")
            << QByteArray(text).replace("\nbik=", "\nbic=") << std::optional<EnpRequisites>();
        QTest::newRow("a value empty")
            << QByteArray(text).replace("=770701001", "= ") << std::optional<EnpRequisites>();
        QTest::newRow("windows-1251")
            << QByteArray(text).replace("ФНС", "\xD4\xCD\xD1") << std::optional<EnpRequisites>();
        QTest::newRow("no file") << QByteArray() << std::optional<EnpRequisites>();
    }
    void enp_file() {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<EnpRequisites>, expected);
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
