#include "forming/codes.h"

#include <QtTest>

using namespace tavrelis;

class TestCodes : public QObject {
    Q_OBJECT
private slots:
    void basis_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("code");
        QTest::newRow("0") << 0 << "Внесение платежей текущего года"
                           << "ТП";
        QTest::newRow("1") << 1
                           << "Добровольное погашение задолженности за истекшие налоговые периоды "
                              "при условии, что налоговый орган не выставил требования об уплате "
                              "налога (сбора)"
                           << "ЗД";
        QTest::newRow("2") << 2
                           << "Осуществление текущих платежей физическими лицами - клиентами "
                              "банка путем перевода денег со своего банковского счета"
                           << "БФ";
        QTest::newRow("3")
            << 3
            << "Погашение задолженности по требованию налогового органа об уплате налога (сбора)"
            << "ТР";
        QTest::newRow("4") << 4 << "Погашение рассроченной задолженности"
                           << "РС";
        QTest::newRow("5") << 5 << "Погашение отсроченной задолженности"
                           << "ОТ";
        QTest::newRow("6") << 6 << "Погашение реструктурированной задолженности"
                           << "РТ";
        QTest::newRow("7")
            << 7 << "Погашение отсроченной задолженности в связи с введением внешнего управления"
            << "ВУ";
        QTest::newRow("8") << 8 << "Погашение задолженности, приостановленной к взысканию"
                           << "ПР";
        QTest::newRow("9") << 9 << "Погашение задолженности по акту проверки"
                           << "АП";
        QTest::newRow("10") << 10 << "Погашение задолженности по исполнительному документу"
                            << "АР";
    }
    void basis() {
        QFETCH(int, pos);
        QFETCH(QString, item);
        QFETCH(QString, code);
        QCOMPARE(basis_items().size(), 11);
        QCOMPARE(basis_items().at(pos), item);
        QCOMPARE(basis_code(pos), code);
    }

    void basis_outside_list_data() {
        QTest::addColumn<int>("pos");
        QTest::newRow("nothing chosen") << -1;
        QTest::newRow("past the end") << 11;
    }
    void basis_outside_list() {
        QFETCH(int, pos);
        QVERIFY(basis_code(pos).isEmpty());
    }

    void payment_type_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("code");
        QTest::newRow("0") << 0 << "налог или сбор"
                           << "НС";
        QTest::newRow("1") << 1 << "пошлина"
                           << "ГП";
        QTest::newRow("2") << 2 << "взнос"
                           << "ВЗ";
        QTest::newRow("3") << 3 << "аванс"
                           << "АВ";
        QTest::newRow("4") << 4 << "пени"
                           << "ПЕ";
        QTest::newRow("5") << 5 << "проценты"
                           << "ПЦ";
        QTest::newRow("6") << 6 << "суммы по налоговым санкциям"
                           << "СА";
        QTest::newRow("7") << 7 << "административные штрафы"
                           << "АШ";
        QTest::newRow("8") << 8 << "другие штрафы, предусмотренные законодательством"
                           << "ИШ";
        QTest::newRow("9") << 9 << "прочие платежи"
                           << "ПЛ";
        QTest::newRow("10 is the digit zero")
            << 10 << "налоговые органы самостоятельно относят платеж к соответствующему типу"
            << "0";
    }
    void payment_type() {
        QFETCH(int, pos);
        QFETCH(QString, item);
        QFETCH(QString, code);
        QCOMPARE(payment_type_items().size(), 11);
        QCOMPARE(payment_type_items().at(pos), item);
        QCOMPARE(payment_type_code(pos), code);
    }

    void payment_type_outside_list_data() {
        QTest::addColumn<int>("pos");
        QTest::newRow("nothing chosen") << -1;
        QTest::newRow("past the end") << 11;
    }
    void payment_type_outside_list() {
        QFETCH(int, pos);
        QVERIFY(payment_type_code(pos).isEmpty());
    }

    void kind_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("value");
        QTest::newRow("nothing chosen") << -1 << "";
        QTest::newRow("not filled") << 0 << "";
        QTest::newRow("post") << 1 << "ПОЧТОЙ";
        QTest::newRow("telegraph") << 2 << "ТЕЛЕГРАФОМ";
        QTest::newRow("electronic") << 3 << "ЭЛЕКТРОННО";
        QTest::newRow("urgent") << 4 << "СРОЧНО";
    }
    void kind() {
        QFETCH(int, pos);
        QFETCH(QString, value);
        const QStringList items{"<не заполнено>", "ПОЧТОЙ", "ТЕЛЕГРАФОМ", "ЭЛЕКТРОННО", "СРОЧНО"};
        QCOMPARE(kind_items(), items);
        const QString text = pos >= 0 ? items.at(pos) : QString();
        QCOMPARE(kind_text(pos, text), value);
    }

    void priority_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");
        QTest::newRow("nothing chosen") << -1 << "3"
                                        << "";
        QTest::newRow("3") << 0 << "3"
                           << "3";
        QTest::newRow("4") << 1 << "4"
                           << "4";
    }
    void priority() {
        QFETCH(int, pos);
        QFETCH(QString, text);
        QFETCH(QString, value);
        QCOMPARE(priority_items(), QStringList({"3", "4"}));
        QCOMPARE(priority_text(pos, text), value);
    }

    void period_indicator_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("indicator");
        QTest::newRow("month") << 0 << "Май 2010"
                               << "МС.05.2010";
        QTest::newRow("month upper case") << 0 << "ДЕКАБРЬ 2011"
                                          << "МС.12.2011";
        QTest::newRow("no month matches") << 0 << "2 квартал 2010"
                                          << "МС.2010";
        QTest::newRow("several months all append") << 0 << "Январь-Март 2010"
                                                   << "МС.01.03.2010";
        QTest::newRow("I quarter") << 1 << "I квартал 2010"
                                   << "КВ.01.2010";
        QTest::newRow("II quarter") << 1 << "II квартал 2010"
                                    << "КВ.02.2010";
        QTest::newRow("III quarter") << 1 << "III квартал 2010"
                                     << "КВ.03.2010";
        QTest::newRow("IV quarter") << 1 << "IV квартал 2010"
                                    << "КВ.04.2010";
        QTest::newRow("quarter pattern past three characters") << 1 << "за I квартал 2010"
                                                               << "КВ.2010";
        QTest::newRow("quarter pattern is case sensitive") << 1 << "i квартал 2010"
                                                           << "КВ.2010";
        QTest::newRow("1 half-year") << 2 << "1 полугодие 2010"
                                     << "ПЛ.01.2010";
        QTest::newRow("2 half-year") << 2 << "2 полугодие 2010"
                                     << "ПЛ.02.2010";
        QTest::newRow("half-year of a quarter text") << 2 << "II квартал 2010"
                                                     << "ПЛ.2010";
        QTest::newRow("year") << 3 << "2010"
                              << "ГД.01.2010";
        QTest::newRow("year of a quarter text") << 3 << "IV квартал 2010"
                                                << "ГД.01.2010";
        QTest::newRow("no type") << -1 << "II квартал 2010"
                                 << "2010";
        QTest::newRow("type past the list") << 4 << "Май 2010"
                                            << "2010";
        QTest::newRow("short text is its own year") << -1 << "201"
                                                    << "201";
        QTest::newRow("short text with quarters") << 1 << "IV"
                                                  << "КВ.04.IV";
        QTest::newRow("empty text") << 0 << ""
                                    << "МС.";
    }
    void period_indicator() {
        QFETCH(int, type);
        QFETCH(QString, period);
        QFETCH(QString, indicator);
        QCOMPARE(tavrelis::period_indicator(type, period), indicator);
    }

    // Each quarter text matches one pattern only, so exactly one number is appended.
    void quarter_patterns_exclusive_data() {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("number");
        QTest::newRow("I") << "I квартал"
                           << "01.";
        QTest::newRow("II") << "II квартал"
                            << "02.";
        QTest::newRow("III") << "III квартал"
                             << "03.";
        QTest::newRow("IV") << "IV квартал"
                            << "04.";
    }
    void quarter_patterns_exclusive() {
        QFETCH(QString, period);
        QFETCH(QString, number);
        QCOMPARE(tavrelis::period_indicator(1, period), "КВ." + number + period.right(4));
    }

    void period_types() {
        QCOMPARE(period_type_items(), QStringList({"Месячные платежи", "Квартальные платежи",
                                                   "Полугодовые платежи", "Годовые платежи"}));
    }

    void operation_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("digit");
        QTest::addColumn<QString>("kbk");
        QTest::newRow("tax") << 0 << 1 << "18210101011011000110";
        QTest::newRow("penalty interest") << 1 << 2 << "18210101011012000110";
        QTest::newRow("fine") << 2 << 3 << "18210101011013000110";
        QTest::newRow("empty") << 3 << 0 << "18210101011014000110";
        QTest::newRow("nothing chosen") << -1 << 0 << "18210101011010000110";
    }
    void operation() {
        QFETCH(int, pos);
        QFETCH(int, digit);
        QFETCH(QString, kbk);
        QCOMPARE(operation_type_items(), QStringList({"Налог / Аванс", "Пени", "Штраф", "Пусто"}));
        QCOMPARE(operation_digit(pos), digit);
        const QString source = QStringLiteral("18210101011019000110");
        QCOMPARE(kbk_with_operation(source, pos), kbk);
        QCOMPARE(kbk_with_operation(source, pos).size(), 20);
    }

    void short_kbk_data() {
        QTest::addColumn<QString>("kbk");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("result");
        QTest::newRow("13 characters") << "1821010101101" << 0 << "18210101011011";
        QTest::newRow("5 characters") << "18210" << 2 << "182103";
        QTest::newRow("empty, nothing chosen") << "" << -1 << "0";
        QTest::newRow("14 characters") << "18210101011019" << 1 << "18210101011012";
    }
    void short_kbk() {
        QFETCH(QString, kbk);
        QFETCH(int, pos);
        QFETCH(QString, result);
        QCOMPARE(kbk_with_operation(kbk, pos), result);
    }

    void operation_type_for_payment_type_data() {
        QTest::addColumn<int>("payment_type");
        QTest::addColumn<int>("operation_type");
        const int expected[] = {0, 3, 0, 0, 1, 3, 2, 2, 2, 0, 3};
        for (int i = 0; i < 11; ++i)
            QTest::addRow("%s", qPrintable(payment_type_items().at(i))) << i << expected[i];
        QTest::newRow("nothing chosen") << -1 << -1;
    }
    void operation_type_for_payment_type() {
        QFETCH(int, payment_type);
        QFETCH(int, operation_type);
        QCOMPARE(tavrelis::operation_type_for_payment_type(payment_type), operation_type);
    }

    void period_type_for_period_data() {
        QTest::addColumn<QString>("period");
        QTest::addColumn<int>("type");
        QTest::newRow("month") << "Май 2026" << 0;
        QTest::newRow("quarter") << "I квартал 2026" << 1;
        QTest::newRow("quarter upper case") << "II КВАРТАЛ 2026" << 1;
        QTest::newRow("half-year") << "полугодие 2026" << 2;
        QTest::newRow("other") << "Иное 2026" << 3;
        QTest::newRow("half-year wins over quarter") << "квартал полугодие 2026" << 2;
        QTest::newRow("other wins over half-year") << "полугодие иное 2026" << 3;
        QTest::newRow("last match is by rule order, not position") << "иное квартал 2026" << 3;
        QTest::newRow("empty") << "" << 0;
    }
    void period_type_for_period() {
        QFETCH(QString, period);
        QFETCH(int, type);
        QCOMPARE(tavrelis::period_type_for_period(period), type);
    }
};

QTEST_GUILESS_MAIN(TestCodes)
#include "tst_codes.moc"
