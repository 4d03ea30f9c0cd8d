#pragma once

#include "common/requisites.h"

namespace testsupport {

// A single tax payment whose requisites are all real and pass every check, the tax service's
// included: a company at Sberbank's Moscow office paying the single tax account of the
// Federal Treasury, fields 105 to 109 "0" and 110 empty as the bank's control wants them.
inline tavrelis::BankOrderFields valid_bank_order() {
    tavrelis::BankOrderFields o;
    o.number_ = QStringLiteral("16");
    o.payment_date = QStringLiteral("15.05.2026");
    o.sum = QStringLiteral("1 234,50");
    o.receiver = QStringLiteral("Казначейство России (ФНС России)");
    o.inn = QStringLiteral("7727406020");
    o.kpp = QStringLiteral("770701001");
    o.kbk = QStringLiteral("18201061201010000510");
    o.okato = QStringLiteral("0");
    o.bik = QStringLiteral("017003983");
    o.rs = QStringLiteral("03100643000000018500");
    o.ks = QStringLiteral("40102810445370000059");
    o.bank = QStringLiteral("ОКЦ № 7 ГУ Банка России по ЦФО//УФК по Тульской области, г. Тула");
    o.sender = QStringLiteral("ООО \"Ромашка\"");
    o.inn_sender = QStringLiteral("7736050003");
    o.kpp_sender = QStringLiteral("773601001");
    o.okato_sender = QStringLiteral("45397000");
    o.bik_sender = QStringLiteral("044525225");
    o.rs_sender = QStringLiteral("40702810938000000001");
    o.ks_sender = QStringLiteral("30101810400000000225");
    o.bank_sender = QStringLiteral("ПАО Сбербанк");
    o.way = QStringLiteral("электронно");
    o.priority = QStringLiteral("5");
    o.reason = QStringLiteral("0");
    o.payment_type = QString();
    o.aim = QStringLiteral("Единый налоговый платеж");
    o.period = QStringLiteral("0");
    o.document_date = QStringLiteral("0");
    return o;
}

// What check_bank_order compares a payment to the tax service with: that order's receiver.
inline tavrelis::BudgetRules tax_rules() {
    const tavrelis::BankOrderFields o = valid_bank_order();
    return {o.inn, o.kpp, o.rs};
}

} // namespace testsupport
