#pragma once

#include "data/connection.h"

#include <QDate>
#include <QList>
#include <QString>

namespace tavrelis {

// The values every window of one call of porvik shares: the two databases, the choices of
// the last forming (kept for the next), the export folder, the numbering of a print run and
// the last answer of the question window. The Session owns it.
struct Shared {
    data::Connection cnn;  // settlements database
    data::Connection cnn2; // taxpayer database

    quint8 otvet = 0; // last answer of the question window, 1..5; 0 before any
    QList<int> org;   // remembered chosen positions of the organisations list
    int v_p = -1, o_p = -1, n_n = -1, kbk = -1, osnov = -1, t_p = -1, period = -1;
    quint8 t_t = 0;         // remembered operation type position
    QString nomer;          // remembered start number; next free number while printing
    QString naznach;        // remembered purpose text
    QDate d_o, d_pp, d_doc; // remembered dates
    int my_color = 0;       // text colour of stored or paid rows, 0x00BBGGRR
    QString up_path;        // export folder
    bool to_excel = false;  // export as spreadsheets
    qint32 last_number = 0;
    qint32 last_year = 0;
};

// The shared values of the session in force.
Shared& shared();

} // namespace tavrelis
