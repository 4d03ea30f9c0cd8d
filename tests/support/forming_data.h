#pragma once

#include "support/testhost.h"

#include <QDate>
#include <QString>
#include <QVariant>

namespace testsupport {

// Test data of a forming: a taxpayer with one branch, two taxes, their settlement cards,
// reporting periods, accrual kinds, receiver and own requisites. Rows are plain SQL on a
// TestHost's databases; nothing of the module is used.
namespace forming {

// The taxpayer (report set 1, a legal person) and its branch (report set 2, no requisites of
// its own); two taxes, the first listed first in "КБК"; the taxpayer's and the branch's card of
// the first tax; the day of the tests falls in the quarter.
inline constexpr int kReportSet = 1;
inline const QString kInn = QStringLiteral("7701000001");
inline const QString kKpp = QStringLiteral("770101001");
inline const QString kBranchInn = QStringLiteral("7701000001");
inline const QString kBranchKpp = QStringLiteral("772201001");
inline const QString kTaxCode = QStringLiteral("101");
inline const QString kTaxName = QStringLiteral("Налог на прибыль");
inline const QString kKbk = QStringLiteral("18210101011011000110");
inline const QString kOtherTaxCode = QStringLiteral("301");
inline constexpr int kCard = 1;
inline constexpr int kBranchCard = 2;
inline const QDate kToday = QDate(2026, 5, 14);
inline const QString kQuarter = QStringLiteral("II квартал 2026");
inline constexpr int kTaxAction = 41; // an accrual of the tax part of a card

// Receiver requisites of the taxpayer for every KBK (empty kbk), and its own open requisites.
inline const QString kReceiver = QStringLiteral("УФК по г. Москве (ИФНС России № 1)");
inline const QString kReceiverInn = QStringLiteral("7701107259");
inline const QString kReceiverKpp = QStringLiteral("770101001");
inline const QString kReceiverOkato = QStringLiteral("45286555000");
inline const QString kReceiverBik = QStringLiteral("044583001");
inline const QString kReceiverBank = QStringLiteral("Отделение 1 Москва");
inline const QString kReceiverRs = QStringLiteral("40101810800000010041");
inline const QString kReceiverKs = QStringLiteral("");
inline const QString kSender = QStringLiteral("ООО \"Ромашка\" р/с в ПАО Банк");
inline const QString kSenderOkato = QStringLiteral("45286560000");
inline const QString kSenderBik = QStringLiteral("044525225");
inline const QString kSenderBank = QStringLiteral("ПАО Банк");
inline const QString kSenderRs = QStringLiteral("40702810938000000001");
inline const QString kSenderKs = QStringLiteral("30101810400000000225");

// Builds all of the above, with a closed own requisites row that never shows.
bool standard(TestHost& host);

// An SQL literal: null for a null QVariant, a number bare, a date as ISO text, else quoted.
QString literal(const QVariant& v);

struct Accrual {
    qint64 oper_id = 0;
    int card_id = kCard;
    int act_id = kTaxAction;
    QVariant summa = 100.0; // a double, text or null
    QDate term_day = kToday;
    QString period_name = kQuarter;
    QVariant docum_date; // a QDate or null
    int deleted = 0;
};
bool add_accrual(TestHost& host, const Accrual& a);

// A stored order as an earlier forming left it: every text column filled with "<column> <oper_id>"
// unless given, dates 01.04.2026, sum "1 000,00".
struct StoredOrder {
    qint64 oper_id = 0;
    QVariant number = QStringLiteral("1");
    QVariant sum = QStringLiteral("1 000,00");
    QVariant way = QStringLiteral("ПОЧТОЙ");
    QVariant bank = QStringLiteral("bank");
    QVariant payment_date = QDate(2026, 4, 1);
    QVariant document_date = QDate(2026, 4, 1);
    int payment_done = 0;
    int print_done = 0;
};
bool add_stored_order(TestHost& host, const StoredOrder& o);

bool add_receiver(TestHost& host, const QString& self_inn, const QString& self_kpp,
                  const QString& kbk, const QVariantList& receiver_inn_kpp_okato_bik_bank_rs_ks);

} // namespace forming

} // namespace testsupport
