#include "data/schema.h"

namespace tavrelis::data {

// Ids and flags are INTEGER so that they read back as plain decimals ("1", not "1.0");
// the module joins them into SQL text and uses them as collection keys.

QString settlements_core_schema_sql() {
    return QStringLiteral(R"sql(
CREATE TABLE fsk_cardlist (
    card_id      INTEGER PRIMARY KEY,
    accstream_id INTEGER NOT NULL,
    taxcode      TEXT,
    open_date    DATE
);
CREATE INDEX fsk_cardlist_accstream ON fsk_cardlist (accstream_id);
CREATE INDEX fsk_cardlist_taxcode ON fsk_cardlist (taxcode);

CREATE TABLE fsk_actions (
    act_id      INTEGER PRIMARY KEY,
    act_prim_id INTEGER NOT NULL,
    CardPart_ID INTEGER NOT NULL,
    act_name    TEXT
);
CREATE INDEX fsk_actions_prim ON fsk_actions (act_prim_id, CardPart_ID);

CREATE TABLE fsk_operations (
    oper_id     INTEGER PRIMARY KEY,
    card_id     INTEGER NOT NULL,
    deleted     INTEGER NOT NULL DEFAULT 0,
    input_day   DATE,
    act_id      INTEGER NOT NULL,
    term_day    DATE,
    summa       REAL,
    docum       TEXT,
    period_name TEXT,
    docum_num   TEXT,
    docum_date  DATE
);
CREATE INDEX fsk_operations_card ON fsk_operations (card_id);
CREATE INDEX fsk_operations_term ON fsk_operations (term_day);
CREATE INDEX fsk_operations_act ON fsk_operations (act_id);
CREATE INDEX fsk_operations_period ON fsk_operations (period_name);

CREATE TABLE requisites (
    id       INTEGER PRIMARY KEY,
    self_inn TEXT NOT NULL,
    self_kpp TEXT NOT NULL DEFAULT '',
    kbk      TEXT NOT NULL DEFAULT '',
    receiver TEXT,
    inn      TEXT,
    kpp      TEXT,
    okato    TEXT,
    bik      TEXT,
    bank     TEXT,
    rs       TEXT,
    ks       TEXT
);
CREATE INDEX requisites_payer ON requisites (self_inn, self_kpp);
CREATE INDEX requisites_kbk ON requisites (kbk);

CREATE TABLE self_requisites (
    id     INTEGER PRIMARY KEY,
    inn    TEXT NOT NULL,
    kpp    TEXT NOT NULL DEFAULT '',
    sender TEXT,
    okato  TEXT,
    bik    TEXT,
    bank   TEXT,
    rs     TEXT,
    ks     TEXT,
    closed INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX self_requisites_payer ON self_requisites (inn, kpp);

CREATE TABLE payments (
    oper_id       INTEGER PRIMARY KEY,
    number_       TEXT,
    payment_date  DATE,
    sum           TEXT,
    receiver      TEXT,
    inn           TEXT,
    kpp           TEXT,
    kbk           TEXT,
    okato         TEXT,
    bik           TEXT,
    rs            TEXT,
    ks            TEXT,
    bank          TEXT,
    sender        TEXT,
    inn_sender    TEXT,
    kpp_sender    TEXT,
    okato_sender  TEXT,
    bik_sender    TEXT,
    rs_sender     TEXT,
    ks_sender     TEXT,
    bank_sender   TEXT,
    way           TEXT,
    priority      TEXT,
    reason        TEXT,
    payment_type  TEXT,
    aim           TEXT,
    period        TEXT,
    document_date DATE,
    payment_done  INTEGER NOT NULL DEFAULT 0,
    print_done    INTEGER NOT NULL DEFAULT 0
);
)sql");
}

QString fact_payments_schema_sql() {
    return QStringLiteral(R"sql(
CREATE TABLE fact_payments (
    id          INTEGER PRIMARY KEY,
    oper_id     INTEGER NOT NULL,
    pay_oper_id INTEGER,
    summa       REAL,
    pay_date    DATE
);
CREATE INDEX fact_payments_oper ON fact_payments (oper_id);
)sql");
}

QString settlements_schema_sql() {
    return settlements_core_schema_sql() + fact_payments_schema_sql();
}

QString taxpayer_schema_sql() {
    return QStringLiteral(R"sql(
CREATE TABLE accstream (
    id       INTEGER PRIMARY KEY,
    personid INTEGER NOT NULL,
    name     TEXT
);
CREATE INDEX accstream_person ON accstream (personid);

CREATE TABLE person (
    id           INTEGER PRIMARY KEY,
    type         INTEGER NOT NULL,
    personrealid INTEGER NOT NULL
);

CREATE TABLE naturalperson (
    id         INTEGER PRIMARY KEY,
    inn        TEXT,
    surname    TEXT,
    name       TEXT,
    patronymic TEXT
);

CREATE TABLE legalperson (
    id        INTEGER PRIMARY KEY,
    inn       TEXT,
    kpp       TEXT,
    fullname  TEXT,
    shortname TEXT
);

CREATE TABLE branches (
    parentpersonid INTEGER NOT NULL,
    childpersonid  INTEGER NOT NULL,
    PRIMARY KEY (parentpersonid, childpersonid)
);

CREATE TABLE report_time (
    report_id   INTEGER PRIMARY KEY,
    report_name TEXT
);

CREATE TABLE time_by_month (
    TIME_ID    INTEGER PRIMARY KEY,
    REPORT_ID  INTEGER NOT NULL,
    name       TEXT NOT NULL,
    the_year   INTEGER NOT NULL,
    date_begin DATE,
    date_end   DATE
);
CREATE INDEX time_by_month_report ON time_by_month (REPORT_ID);
CREATE INDEX time_by_month_year ON time_by_month (the_year);

CREATE TABLE nsi_taxlist (
    tax_code TEXT PRIMARY KEY,
    tax_name TEXT NOT NULL,
    big_code TEXT
);
)sql");
}

} // namespace tavrelis::data
