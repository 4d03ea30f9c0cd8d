#pragma once

#include <QString>
#include <array>

namespace tavrelis {

// The fields of a formed payment order, in the order of the formed-orders list's columns:
// the tick, the number as shown ("N" and the stored number for a printed order), the stored
// columns payment_date to document_date, the amount in words and the accrual's oper_id, the
// only link from a row to its stored order.
enum class Field : int {
    Tick,
    Number,
    PaymentDate,
    Sum,
    Receiver,
    Inn,
    Kpp,
    Kbk,
    Okato,
    Bik,
    Rs,
    Ks,
    Bank,
    Sender,
    InnSender,
    KppSender,
    OkatoSender,
    BikSender,
    RsSender,
    KsSender,
    BankSender,
    Way,
    Priority,
    Reason,
    PaymentType,
    Aim,
    Period,
    DocumentDate,
    SumWords,
    OperId,
};
constexpr int kFieldCount = 30;

// What each field is in every place an order appears. A null name: the field is not there.
struct FieldInfo {
    Field field;
    const char16_t* caption; // the list's column caption
    int twips;               // the list's column width
    const char* element;     // the XML export's element (and the spreadsheet's row)
    const char* key;         // the print template's key
    const char* payments;    // the column of payments
};

const std::array<FieldInfo, kFieldCount>& field_table();

constexpr int column_of(Field f) {
    return int(f);
}

// The stored fields, from payment_date to document_date, in the order the module's selects
// of payments list them after number_: field f is select field column_of(f) - 1.
constexpr Field kFirstStored = Field::PaymentDate;
constexpr Field kLastStored = Field::DocumentDate;
constexpr int select_index(Field f) {
    return column_of(f) - 1;
}

// The column of payments a field is stored in; empty for the tick and the amount in words.
QString payments_column(Field f);

// The texts an update of payments writes back, in the order its statements list them: the
// receiver's, the amount after the bank, then the payer's and the codes.
inline constexpr std::array<Field, 24> kUpdatedTexts{
    Field::Receiver, Field::Inn,         Field::Kpp,        Field::Kbk,         Field::Okato,
    Field::Bik,      Field::Rs,          Field::Ks,         Field::Bank,        Field::Sum,
    Field::Sender,   Field::InnSender,   Field::KppSender,  Field::OkatoSender, Field::BikSender,
    Field::RsSender, Field::KsSender,    Field::BankSender, Field::Way,         Field::Priority,
    Field::Reason,   Field::PaymentType, Field::Aim,        Field::Period,
};

// "receiver=?,inn=?,...,period=?": the columns of kUpdatedTexts set to bound values, in order.
QString updated_columns();

// A formed payment order as the list holds it: its texts, its tick and its text colour.
struct Order {
    bool ticked = false;
    int color = 0; // 0x00BBGGRR; 0 draws black
    std::array<QString, kFieldCount> texts;

    const QString& operator[](Field f) const { return texts[size_t(f)]; }
    QString& operator[](Field f) { return texts[size_t(f)]; }
};

} // namespace tavrelis
