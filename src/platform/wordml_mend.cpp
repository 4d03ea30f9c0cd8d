#include "platform/wordml_mend.h"

#include "platform/errors.h"

#include <algorithm>
#include <cstring>

namespace tavrelis::platform {

namespace {

bool xml_space(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool line_break(QChar c) {
    return c == u'\n' || c == u'\r';
}

bool at(QStringView s, qsizetype i, const char* what) {
    return i >= 0 && s.mid(i).startsWith(QLatin1StringView(what));
}

bool xml_char(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Length of the reference that starts with the "&" at i, or 0 when that "&" starts none: a
// predefined entity, or a character reference to a character XML allows. A document is read
// without a DTD, so no other entity exists.
qsizetype reference_length(QStringView s, qsizetype i) {
    const QStringView ref = s.mid(i, 12);
    const qsizetype semi = ref.indexOf(u';');
    if (semi < 2)
        return 0;
    const QStringView name = ref.mid(1, semi - 1);
    for (const char* entity : {"amp", "lt", "gt", "quot", "apos"})
        if (name == QLatin1StringView(entity))
            return semi + 1;
    if (name[0] != u'#')
        return 0;
    const bool hex = name.size() > 1 && name[1] == u'x';
    const QStringView digits = name.mid(hex ? 2 : 1);
    char32_t code = 0;
    for (const QChar d : digits) {
        const char16_t u = d.unicode();
        int v = -1;
        if (u >= u'0' && u <= u'9')
            v = u - u'0';
        else if (hex && u >= u'a' && u <= u'f')
            v = u - u'a' + 10;
        else if (hex && u >= u'A' && u <= u'F')
            v = u - u'A' + 10;
        if (v < 0)
            return 0;
        code = code * (hex ? 16 : 10) + char32_t(v); // at most 8 hex or 9 decimal digits
    }
    return !digits.isEmpty() && xml_char(code) ? semi + 1 : 0;
}

// Appends a run's text as XML text: "<" and ">" escaped, a "&" that starts no reference taken
// as itself, a character XML forbids shown as a blank.
void append_run_text(QStringView text, QString& out) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'<') {
            out += QLatin1StringView("&lt;");
        } else if (c == u'>') {
            out += QLatin1StringView("&gt;");
        } else if (c == u'&') {
            const qsizetype n = reference_length(text, i);
            if (n > 0) {
                out += text.mid(i, n);
                i += n - 1;
            } else {
                out += QLatin1StringView("&amp;");
            }
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += text.mid(i, 2);
            ++i;
        } else if (c.isSurrogate() || !xml_char(c.unicode())) {
            out += u' ';
        } else {
            out += c;
        }
    }
}

// Where a text stands in XML: characters alone (a comment, a processing instruction, a CDATA
// section), an attribute value, or between tags.
enum class Place { Characters, Attribute, Content };

// Whether a text may stand as it is there.
bool xml_text(QStringView t, Place place) {
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (place != Place::Characters &&
            (c == u'<' || (c == u'&' && reference_length(t, i) == 0) ||
             (place == Place::Content && c == u'>' && i >= 2 && t[i - 1] == u']' &&
              t[i - 2] == u']')))
            return false;
        if (c.isHighSurrogate() && i + 1 < t.size() && t[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate() || !xml_char(c.unicode()))
            return false;
    }
    return true;
}

bool name_start(QChar c) {
    return c.isLetter() || c == u'_' || c == u':';
}

// Just past the XML name that starts at i; i when none does.
qsizetype name_end(QStringView s, qsizetype i) {
    if (i >= s.size() || !name_start(s[i]))
        return i;
    for (++i; i < s.size() && (name_start(s[i]) || s[i].isDigit() || s[i] == u'-' || s[i] == u'.' ||
                               s[i].isMark() || s[i] == QChar(0xB7));)
        ++i;
    return i;
}

// One piece of markup outside the run texts.
struct Markup {
    enum Kind { Start, End, Empty, Other, Doctype } kind = Other;
    QStringView name;   // of an element's tag
    qsizetype end = -1; // just past it; -1 when it is not whole and well-formed
    qsizetype seen = 0; // how far it was looked at
};

// The markup that starts with the "<" at lt, looked at no further than s goes.
Markup read_markup(QStringView s, qsizetype lt) {
    const auto broken = [](qsizetype seen) { return Markup{Markup::Other, {}, -1, seen}; };
    // Characters from `from` on, ended by `close`.
    const auto to = [&](qsizetype from, const char* close) {
        const qsizetype e = s.indexOf(QLatin1StringView(close), from);
        if (e < 0)
            return broken(s.size());
        const qsizetype end = e + qsizetype(std::strlen(close));
        if (!xml_text(s.mid(from, e - from), Place::Characters))
            return broken(end);
        return Markup{Markup::Other, {}, end, end};
    };
    if (at(s, lt, "<!--")) {
        // The first "--" must end the comment.
        const qsizetype dashes = s.indexOf(QLatin1StringView("--"), lt + 4);
        if (dashes < 0 || !at(s, dashes, "-->"))
            return broken(dashes < 0 ? s.size() : dashes + 3);
        return to(lt + 4, "-->");
    }
    if (at(s, lt, "<![CDATA["))
        return to(lt + 9, "]]>");
    if (at(s, lt, "<?")) {
        // A target without a colon; "xml" only for the declaration at the start.
        const qsizetype target = name_end(s, lt + 2);
        const QStringView name = s.mid(lt + 2, target - lt - 2);
        if (name.isEmpty() || name.contains(u':') ||
            (lt > 0 && name.compare(QLatin1StringView("xml"), Qt::CaseInsensitive) == 0) ||
            (!at(s, target, "?>") && (target >= s.size() || !xml_space(s[target]))))
            return broken(target + 1);
        return to(target, "?>");
    }
    if (at(s, lt, "<!DOCTYPE"))
        return {Markup::Doctype, {}, -1, lt};
    const bool closing = at(s, lt, "</");
    const qsizetype from = lt + (closing ? 2 : 1);
    qsizetype i = name_end(s, from);
    if (i == from)
        return broken(i + 1);
    Markup m{closing ? Markup::End : Markup::Start, s.mid(from, i - from), -1, i};
    const auto blanks = [&] {
        while (i < s.size() && xml_space(s[i]))
            ++i;
    };
    // Attributes, each after a blank, then the end of the tag.
    for (;;) {
        const qsizetype gap = i;
        blanks();
        if (at(s, i, ">") || (!closing && at(s, i, "/>"))) {
            if (s[i] == u'/')
                m.kind = Markup::Empty;
            m.end = m.seen = i + (s[i] == u'/' ? 2 : 1);
            return m;
        }
        const qsizetype name = i;
        i = name_end(s, i);
        if (closing || gap == name || i == name)
            return broken(i + 1);
        blanks();
        if (!at(s, i, "="))
            return broken(i + 1);
        ++i;
        blanks();
        if (i >= s.size() || (s[i] != u'"' && s[i] != u'\''))
            return broken(i + 1);
        const qsizetype close = s.indexOf(s[i], i + 1);
        if (close < 0)
            return broken(s.size());
        if (!xml_text(s.mid(i + 1, close - i - 1), Place::Attribute))
            return broken(close + 1);
        i = close + 1;
    }
}

bool is_run_text(const Markup& m) {
    return m.kind == Markup::Start && m.name == QLatin1StringView("w:t");
}

// Finds where run texts end by reading ahead in a document. Every character looked at takes
// one from a budget for the whole document, so that values full of markup cannot make the
// reading take long; once it is spent, a run text ends where its run does.
class RunTexts {
public:
    explicit RunTexts(QStringView s) : s_(s), budget_(16 * s.size() + (1 << 20)) {}

    // Where the text of a run that starts at `from` ends, `open` being the elements open
    // there, the run text last. A value may itself hold "</w:t>", so it is the first
    // "</w:t>" after which the document reads on; when none does, the first one; -1 when
    // there is none at all. Run texts met while reading ahead end where the document reads
    // on after them in turn when `look_further`, at their first "</w:t>" otherwise.
    qsizetype end(qsizetype from, const std::vector<QStringView>& open, bool look_further = true) {
        // Reading ahead closes a few elements at most; a value full of start tags makes the
        // elements open many.
        const std::vector<QStringView> outside(
            open.end() - 1 - std::min<qsizetype>(qsizetype(open.size()) - 1, kDeepest),
            open.end() - 1);
        qsizetype first = -1;
        for (qsizetype p = from, q; (q = s_.indexOf(kClose, p)) >= 0; p = q + kClose.size()) {
            budget_ -= q + kClose.size() - p;
            if (first < 0)
                first = q;
            if (reads_on(q + kClose.size(), outside, look_further))
                return q;
        }
        return first;
    }

private:
    // Whether the document reads on as XML after a run text closed at `from`, inside the
    // elements `open` (the run last): texts and markup well-formed, every end tag closing
    // the element open at the time, every run text inside a run, until the run and what
    // holds it are closed and the next run text begins.
    bool reads_on(qsizetype from, std::vector<QStringView> open, bool look_further) {
        const bool deep = open.size() >= std::size_t(kDeepest);
        const auto spent = [&] {
            qsizetype j = from;
            while (j < s_.size() && xml_space(s_[j]))
                ++j;
            return at(s_, j, "</w:r>");
        };
        const std::size_t outside = open.size() < 2 ? 0 : open.size() - 2;
        bool closed = false; // the run and what holds it
        for (qsizetype i = from; i < s_.size();) {
            if (budget_ <= 0)
                return spent();
            const qsizetype lt = s_.indexOf(u'<', i);
            const qsizetype text_end = lt < 0 ? s_.size() : lt;
            budget_ -= text_end - i + 1;
            if (!xml_text(s_.mid(i, text_end - i), Place::Content))
                return false;
            if (lt < 0)
                break;
            if (budget_ <= 0)
                return spent();
            const Markup m = read_markup(s_.first(std::min(s_.size(), lt + budget_)), lt);
            budget_ -= m.seen - lt;
            if (m.end < 0)
                return budget_ <= 0 && spent(); // cut short by the budget, or broken
            i = m.end;
            if (is_run_text(m)) {
                if (open.empty() || open.back() != QLatin1StringView("w:r"))
                    return false;
                if (closed)
                    return true;
                open.push_back(m.name);
                i = look_further ? end(i, open, false) : s_.indexOf(kClose, i);
                if (i < 0)
                    return false;
            } else if (m.kind == Markup::Start) {
                open.push_back(m.name);
            } else if (m.kind == Markup::End) {
                if (open.empty())
                    return deep; // past the elements looked at
                if (open.back() != m.name)
                    return false;
                open.pop_back();
                closed = closed || open.size() <= outside;
            }
        }
        return true;
    }

    static constexpr qsizetype kDeepest = 64;
    static constexpr QLatin1StringView kClose{"</w:t>"};
    QStringView s_;
    qsizetype budget_;
};

// Line and column of a place in a text, counted as the XML reader counts them.
QString place(QStringView s, qsizetype offset) {
    qsizetype line = 1, start = 0;
    for (qsizetype i = 0; i < offset; ++i)
        if (s[i] == u'\n' || (s[i] == u'\r' && (i + 1 >= s.size() || s[i + 1] != u'\n'))) {
            ++line;
            start = i + 1;
        }
    return QStringLiteral("(строка %1, позиция %2)").arg(line).arg(offset - start);
}

} // namespace

MendedDocument::MendedDocument(const QString& document) : original_(document) {
    const QStringView s(document);
    xml_.reserve(s.size() + s.size() / 8);
    RunTexts runs(s);
    std::vector<QStringView> open; // the elements open, as far as the tags tell
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype lt = s.indexOf(u'<', i);
        xml_ += s.mid(i, lt < 0 ? -1 : lt - i);
        if (lt < 0)
            break;
        const Markup t = read_markup(s, lt);
        if (t.kind == Markup::Doctype)
            throw Error(QStringLiteral("Документ поврежден: объявление типа документа "
                                       "(DOCTYPE) не допускается ") +
                        place(s, lt));
        if (t.end < 0) {
            xml_ += s.mid(lt); // left to the reader to report
            break;
        }
        xml_ += s.mid(lt, t.end - lt);
        i = t.end;
        if (t.kind == Markup::Start)
            open.push_back(t.name);
        else if (t.kind == Markup::End && !open.empty() && open.back() == t.name)
            open.pop_back();
        if (!is_run_text(t))
            continue;
        const qsizetype end = runs.end(i, open);
        if (end < 0)
            continue; // never closed: left to the reader to report
        const qsizetype from = xml_.size();
        append_run_text(s.mid(i, end - i), xml_);
        if (xml_.size() - from != end - i)
            spans_.push_back({from, xml_.size(), i, end});
        i = end;
    }
}

qint64 MendedDocument::column(qsizetype offset, qint64 column) const {
    qsizetype line_start = std::min(offset, xml_.size());
    while (line_start > 0 && !line_break(xml_[line_start - 1]))
        --line_start;
    auto it = std::upper_bound(spans_.begin(), spans_.end(), offset,
                               [](qsizetype o, const Span& s) { return o < s.to; });
    while (it != spans_.begin()) {
        const Span& s = *--it;
        if (s.to <= line_start)
            break;
        if (s.from >= line_start) {
            column -= (s.to - s.from) - (s.orig_to - s.orig_from);
        } else {
            // The line starts inside this run text; its line breaks are kept one for one.
            qsizetype orig_start = s.orig_to;
            while (orig_start > s.orig_from && !line_break(original_[orig_start - 1]))
                --orig_start;
            column -= (s.to - line_start) - (s.orig_to - orig_start);
        }
    }
    return column;
}

} // namespace tavrelis::platform
