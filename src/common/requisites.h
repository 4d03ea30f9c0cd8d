#pragma once

#include <QList>
#include <QString>

namespace tavrelis {

// One payment order as the formed-orders list shows it, columns 1 to 27 in list order, each
// named after its column of payments. number_ is column 1 as shown ("N15" once printed); the
// amount is the list's text ("1 234,50"); dates are dd.mm.yyyy. The list has no column for
// the payer's status (field 101) nor the code (field 22, the УИН): empty, they go to the
// bank as payer_status gives and as "0".
struct BankOrderFields {
    QString number_, payment_date, sum;
    QString receiver, inn, kpp, kbk, okato, bik, rs, ks, bank;
    QString sender, inn_sender, kpp_sender, okato_sender, bik_sender, rs_sender, ks_sender,
        bank_sender;
    QString way, priority, reason, payment_type, aim, period, document_date;
    QString status, code;
};

// The tax service's receiver an order to it must name, from the single tax payment's
// requisites (enp.h). Empty texts leave those comparisons out.
struct BudgetRules {
    QString tax_inn, tax_kpp, treasury_account;
};

// The payer's status of a tax payment: "13" for a natural person (an INN of 12 characters),
// else "01" for an organisation.
QString payer_status(const QString& inn_sender);

// A character that would break the exchange file's line: below U+0020, U+0085, U+2028, U+2029.
bool control_character(QChar c);

// A fault the bank would reject an order for, in the accountant's words: the field as the
// paper order names it ("ИНН получателя") and what is wrong with it.
struct RequisiteProblem {
    QString field;
    QString problem;
    bool operator==(const RequisiteProblem&) const = default;
};
using RequisiteProblems = QList<RequisiteProblem>;

// Each check below returns the problems of one value, none when it is fine; field is the
// name the problem carries. Values are taken as they stand: a blank is a wrong character.

// 10 digits (organisation) or 12 (natural person), not starting with "00", control digits
// right.
RequisiteProblems check_inn(const QString& inn, const QString& field);

// Nine characters, the fifth and sixth may be capital Latin letters, not starting with "00";
// or "0". Empty only where may_be_empty (a payer who is a natural person).
RequisiteProblems check_kpp(const QString& kpp, const QString& field, bool may_be_empty);

RequisiteProblems check_bik(const QString& bik, const QString& field);

enum class AccountKind { Settlement, Correspondent };

// 20 digits whose control key fits the bank's BIK (Bank of Russia rule No. 515 of 08.09.1997).
// The key is worked over the BIK's conditional number and the account: digits 7-9 of the BIK
// for an account in a credit institution; "0" and digits 5-6 for a correspondent account and
// for an account at a Bank of Russia office, which is a BIK ending in 000, 001 or 002, as the
// Bank numbers its own offices. A treasury account ("03...") does not follow the rule and is
// not keyed. A correspondent account may be empty at a Bank of Russia office, which has
// none. The key is not looked at while the BIK itself is wrong.
RequisiteProblems check_account(const QString& account, const QString& bik, AccountKind kind,
                                const QString& field);

// 20 digits, not all zeros.
RequisiteProblems check_kbk(const QString& kbk, const QString& field);

// The code (УИН): "0" or empty (written as "0"), or 20 or 25 digits, not all zeros.
RequisiteProblems check_code(const QString& code, const QString& field);

// OKATO or OKTMO: 8 or 11 digits, not all zeros; or "0".
RequisiteProblems check_okato(const QString& okato, const QString& field);

// Not empty, at most 210 characters, as the bank takes the purpose.
RequisiteProblems check_purpose(const QString& aim, const QString& field);

// The list's amount text, greater than zero.
RequisiteProblems check_amount(const QString& sum, const QString& field);

RequisiteProblems check_priority(const QString& priority, const QString& field);

// A real date written dd.mm.yyyy.
RequisiteProblems check_date(const QString& date, const QString& field);

// A text as the exchange file will carry it: a control character becomes a blank and a
// character with no windows-1251 code a "?", each said once.
RequisiteProblems check_text(const QString& text, const QString& field);

// Every check of the order, in the order the fields stand on the paper form; a field whose
// value is wrong is not looked at for its characters too. A payer whose INN has 12 digits (a
// natural person) gives "0" as KPP, or nothing outside a tax payment. A payment to the tax
// service (its INN as rules.tax_inn, or a KBK of the service, "182...") also goes through the
// bank's control of budget payments: the treasury account and the service's KPP, a status
// of 01 or 13, and then "0" for the reason, the period and the document's date.
RequisiteProblems check_bank_order(const BankOrderFields& order, const BudgetRules& rules);

} // namespace tavrelis
