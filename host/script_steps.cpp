#include "script_steps.h"

#include "common/window.h"
#include "platform/ui.h"

#include <QRegularExpression>

namespace host::script {

namespace {

bool is_blank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool parse_int(const QString& word, int& out) {
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]{1,9}$"));
    if (!digits.match(word).hasMatch())
        return false;
    out = word.toInt();
    return true;
}

// The module's windows register their design names as they load.
bool is_window(const QString& name) {
    return tavrelis::is_window_name(name);
}

bool is_control(const QString& name) {
    static const QRegularExpression ident(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return ident.match(name).hasMatch();
}

// Fills the window and control of a step from "<W>.<C>".
bool parse_target(const QString& word, Step& step, QString& reason) {
    const qsizetype dot = word.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        reason = QStringLiteral("expected <window>.<control>, found ") + quote(word);
        return false;
    }
    step.window = word.left(dot);
    step.control = word.mid(dot + 1);
    if (!is_window(step.window)) {
        reason = QStringLiteral("unknown window ") + quote(step.window);
        return false;
    }
    if (!is_control(step.control)) {
        reason = QStringLiteral("bad control name ") + quote(step.control);
        return false;
    }
    return true;
}

bool parse_line(const QStringList& w, const QList<bool>& quoted, Step& step, QString& reason) {
    const qsizetype n = w.size();
    const QString& head = w[0];

    if (head == QLatin1String("answer") && !quoted[0]) {
        if (n < 2 || n > 3) {
            reason = QStringLiteral("answer takes OK, Yes or No and an optional text");
            return false;
        }
        step.kind = Step::Answer;
        if (w[1] == QLatin1String("OK"))
            step.number = tavrelis::platform::vbOK;
        else if (w[1] == QLatin1String("Yes"))
            step.number = tavrelis::platform::vbYes;
        else if (w[1] == QLatin1String("No"))
            step.number = tavrelis::platform::vbNo;
        else {
            reason = QStringLiteral("unknown answer ") + quote(w[1]);
            return false;
        }
        if (n == 3) {
            step.text = w[2];
            step.has_text = true;
        }
        return true;
    }

    if ((head == QLatin1String("expect") || head == QLatin1String("dump")) && !quoted[0]) {
        if (n < 2) {
            reason = head + QStringLiteral(" needs <window>.<control>");
            return false;
        }
        if (!parse_target(w[1], step, reason))
            return false;
        if (head == QLatin1String("dump")) {
            step.kind = Step::Dump;
            if (n != 2) {
                reason = QStringLiteral("dump takes nothing after the control");
                return false;
            }
            return true;
        }
        if (n == 3) {
            step.kind = Step::Expect;
            step.text = w[2];
            return true;
        }
        if (n == 4 && w[2] == QLatin1String("rows") && !quoted[2]) {
            step.kind = Step::ExpectRows;
            if (!parse_int(w[3], step.number) || step.number < 0) {
                reason = QStringLiteral("bad row count ") + quote(w[3]);
                return false;
            }
            return true;
        }
        if (n == 5) {
            step.kind = Step::ExpectCell;
            if (!parse_int(w[2], step.number) || step.number < 1) {
                reason = QStringLiteral("bad row ") + quote(w[2]);
                return false;
            }
            if (!parse_int(w[3], step.column) || step.column < 0 || step.column > 29) {
                reason = QStringLiteral("bad column ") + quote(w[3]);
                return false;
            }
            step.text = w[4];
            return true;
        }
        reason = QStringLiteral("expect takes a text, rows and a count, or a row, a column and a "
                                "text");
        return false;
    }

    if (n == 2 && is_window(head) && w[1] == QLatin1String("close") && !quoted[1]) {
        step.kind = Step::Close;
        step.window = head;
        return true;
    }

    if (n < 2) {
        reason = QStringLiteral("unknown step");
        return false;
    }
    if (!parse_target(head, step, reason))
        return false;

    struct Verb {
        const char* name;
        Step::Kind kind;
        enum { None, Position, Row, Word, Day } arg;
    };
    static const Verb verbs[] = {
        {"click", Step::Click, Verb::None},       {"select", Step::Select, Verb::Word},
        {"text", Step::Text, Verb::Word},         {"date", Step::Date, Verb::Day},
        {"check", Step::Check, Verb::None},       {"uncheck", Step::Uncheck, Verb::None},
        {"choose", Step::Choose, Verb::Position}, {"unchoose", Step::Unchoose, Verb::Position},
        {"tick", Step::Tick, Verb::Row},          {"untick", Step::Untick, Verb::Row},
        {"pick", Step::Pick, Verb::Row},          {"dblclick", Step::DblClick, Verb::None},
        {"path", Step::Path, Verb::Word},
    };
    const Verb* verb = nullptr;
    for (const Verb& v : verbs)
        if (!quoted[1] && w[1] == QLatin1String(v.name))
            verb = &v;
    if (!verb) {
        reason = QStringLiteral("unknown action ") + quote(w[1]);
        return false;
    }
    step.kind = verb->kind;
    const int wanted = verb->arg == Verb::None ? 2 : 3;
    if (n != wanted) {
        reason = verb->arg == Verb::None ? w[1] + QStringLiteral(" takes nothing more")
                                         : w[1] + QStringLiteral(" takes one value");
        return false;
    }
    switch (verb->arg) {
    case Verb::None:
        break;
    case Verb::Position:
        if (!parse_int(w[2], step.number) || step.number < 0) {
            reason = QStringLiteral("bad position ") + quote(w[2]);
            return false;
        }
        break;
    case Verb::Row:
        if (!parse_int(w[2], step.number) || step.number < 1) {
            reason = QStringLiteral("bad row ") + quote(w[2]);
            return false;
        }
        break;
    case Verb::Day: {
        static const QRegularExpression shape(QStringLiteral("^[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}$"));
        step.date = QDate::fromString(w[2], QStringLiteral("dd.MM.yyyy"));
        if (!shape.match(w[2]).hasMatch() || !step.date.isValid()) {
            reason = QStringLiteral("bad date ") + quote(w[2]);
            return false;
        }
        break;
    }
    case Verb::Word:
        step.text = w[2];
        // A bare number selects by position; a quoted word selects by text.
        if (step.kind == Step::Select && (quoted[2] || !parse_int(w[2], step.number)))
            step.kind = Step::SelectText;
        else if (step.kind == Step::Select && step.number < -1) {
            reason = QStringLiteral("bad position ") + quote(w[2]);
            return false;
        }
        break;
    }
    return true;
}

} // namespace

QString quote(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

bool split_words(const QString& line, QStringList& words, QList<bool>& quoted, QString* error) {
    words.clear();
    quoted.clear();
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (true) {
        while (i < n && is_blank(line[i]))
            ++i;
        if (i >= n)
            return true;
        QString word;
        if (line[i] == QLatin1Char('"')) {
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == QLatin1Char('"')) {
                    if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
                        word += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                word += line[i++];
            }
            if (!closed) {
                if (error)
                    *error = QStringLiteral("unterminated quote");
                return false;
            }
            if (i < n && !is_blank(line[i])) {
                if (error)
                    *error = QStringLiteral("no blank after a closing quote");
                return false;
            }
            words.append(word);
            quoted.append(true);
            continue;
        }
        while (i < n && !is_blank(line[i])) {
            if (line[i] == QLatin1Char('"')) {
                if (error)
                    *error = QStringLiteral("a quote inside a word that does not start with one");
                return false;
            }
            word += line[i++];
        }
        words.append(word);
        quoted.append(false);
    }
}

bool parse_steps(const QString& text, std::vector<Step>& steps, QString* error) {
    steps.clear();
    QString body = text;
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    const QStringList lines = body.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        Step step;
        step.line = int(i + 1);
        step.source = trimmed;
        QStringList words;
        QList<bool> quoted;
        QString reason;
        if (!split_words(line, words, quoted, &reason) ||
            !parse_line(words, quoted, step, reason)) {
            if (error)
                *error = QStringLiteral("line %1: %2: %3").arg(step.line).arg(trimmed, reason);
            return false;
        }
        steps.push_back(std::move(step));
    }
    return true;
}

} // namespace host::script
