#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

namespace host::script {

// One line of a session script, as parsed.
struct Step {
    enum Kind {
        Click,
        Select,     // position in `number`
        SelectText, // entry text in `text`
        Text,
        Date,
        Check,
        Uncheck,
        Choose,
        Unchoose,
        Tick,
        Untick,
        Pick,
        DblClick,
        Path,
        Close,
        Answer,     // `number` holds vbOK/vbYes/vbNo; `text` when `has_text`
        Expect,     // control text in `text`
        ExpectCell, // row `number`, column `column`, text in `text`
        ExpectRows, // row count in `number`
        Dump,
    };

    int line = 0;
    QString source; // the line as written, for messages
    Kind kind = Click;
    QString window;  // Form1 ... Form6
    QString control; // design name; empty for a window's own step
    QString text;
    bool has_text = false;
    int number = 0;
    int column = 0;
    QDate date;

    bool acts() const {
        return kind != Answer && kind != Expect && kind != ExpectCell && kind != ExpectRows &&
               kind != Dump;
    }
};

// Splits one line into words: blanks separate them, a word between double quotes may hold
// blanks and doubled quotes. `quoted` tells which words were written between quotes.
bool split_words(const QString& line, QStringList& words, QList<bool>& quoted, QString* error);

// Parses a whole script. On failure `error` reads "line <n>: <reason>".
bool parse_steps(const QString& text, std::vector<Step>& steps, QString* error);

// A text as the transcript and the messages quote it: between double quotes, inner ones doubled.
QString quote(const QString& text);

} // namespace host::script
