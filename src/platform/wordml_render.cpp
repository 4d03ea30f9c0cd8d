#include "platform/wordml_render.h"

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/wordml_mend.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace tavrelis::platform {

namespace {

const QString kWordMl = QStringLiteral("http://schemas.microsoft.com/office/word/2003/wordml");

// One element of the document. Elements of the WordprocessingML namespace are named
// "w:<local>" and keep their attributes of that namespace by local name; others keep their
// local name only, so containers such as wx:sect are walked through.
struct Node {
    QString name;
    QHash<QString, QString> attrs;
    std::vector<Node> children;
    QString text;

    const Node* child(const QString& n) const {
        for (const Node& c : children)
            if (c.name == n)
                return &c;
        return nullptr;
    }
    QString attr(const QString& a) const { return attrs.value(a); }
    // The w:val of a child, or nullopt when the child is absent.
    std::optional<QString> val(const QString& n) const {
        const Node* c = child(n);
        if (!c)
            return std::nullopt;
        return c->attr(QStringLiteral("val"));
    }
};

// The document's tree; with build false only read through, for its errors.
Node parse(const QString& document, bool build = true) {
    const MendedDocument mended(document);
    QXmlStreamReader r(mended.xml());
    std::vector<Node> stack;
    Node root;
    bool have_root = false;
    int depth = 0;
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (!build) {
                if (depth++ == 0 && r.namespaceUri() == kWordMl)
                    root.name = QStringLiteral("w:") + r.name().toString();
                break;
            }
            Node n;
            const bool word = r.namespaceUri() == kWordMl;
            n.name = word ? QStringLiteral("w:") + r.name().toString() : r.name().toString();
            for (const QXmlStreamAttribute& a : r.attributes())
                if (a.namespaceUri() == kWordMl)
                    n.attrs.insert(a.name().toString(), a.value().toString());
            stack.push_back(std::move(n));
            break;
        }
        case QXmlStreamReader::Characters:
            if (!stack.empty())
                stack.back().text += r.text();
            break;
        case QXmlStreamReader::EndElement: {
            if (!build) {
                have_root = have_root || --depth == 0;
                break;
            }
            Node done = std::move(stack.back());
            stack.pop_back();
            if (stack.empty()) {
                root = std::move(done);
                have_root = true;
            } else {
                stack.back().children.push_back(std::move(done));
            }
            break;
        }
        default:
            break;
        }
    }
    if (r.hasError())
        throw Error(QStringLiteral("Документ поврежден: %1 (строка %2, позиция %3)")
                        .arg(r.errorString())
                        .arg(r.lineNumber())
                        .arg(mended.column(r.characterOffset(), r.columnNumber())));
    if (!have_root || root.name != QLatin1String("w:wordDocument"))
        throw Error(QStringLiteral("Документ не является документом WordprocessingML"));
    return root;
}

int to_int(const QString& s, int fallback = 0) {
    bool ok = false;
    const int v = s.toInt(&ok);
    return ok ? v : fallback;
}

// Twips to CSS pixels (1/96 inch).
QString px(double twips) {
    return QString::number(std::lround(twips / 15.0)) + QStringLiteral("px");
}

bool on(const std::optional<QString>& v) {
    return v && *v != QLatin1String("off") && *v != QLatin1String("0") &&
           *v != QLatin1String("false") && *v != QLatin1String("none");
}

// Character properties, as far as they are set.
struct RunProps {
    std::optional<bool> bold, italic, underline, caps;
    std::optional<int> half_points;
    std::optional<QString> font;

    // A toggle such as <w:b/> is on unless its w:val turns it off.
    static void toggle(const Node* rpr, const char* name, std::optional<bool>& flag) {
        const auto v = rpr->val(QStringLiteral("w:") + QLatin1String(name));
        if (v)
            flag = v->isEmpty() || on(v);
    }

    void apply(const Node* rpr) {
        if (!rpr)
            return;
        toggle(rpr, "b", bold);
        toggle(rpr, "i", italic);
        toggle(rpr, "caps", caps);
        if (const auto u = rpr->val(QStringLiteral("w:u")))
            underline = !u->isEmpty() && *u != QLatin1String("none");
        if (const auto sz = rpr->val(QStringLiteral("w:sz")))
            half_points = to_int(*sz, 20);
        if (const Node* f = rpr->child(QStringLiteral("w:rFonts"))) {
            for (const char* a : {"ascii", "h-ansi", "hAnsi", "cs"}) {
                const QString name = f->attr(QLatin1String(a));
                if (!name.isEmpty()) {
                    font = name;
                    break;
                }
            }
        }
    }
};

struct ParaProps {
    std::optional<QString> align;
    std::optional<int> before, after, left, right, first_line;
    RunProps mark; // the paragraph mark's own character properties

    void apply(const Node* ppr) {
        if (!ppr)
            return;
        if (const auto jc = ppr->val(QStringLiteral("w:jc")))
            align = *jc;
        if (const Node* s = ppr->child(QStringLiteral("w:spacing"))) {
            if (s->attrs.contains(QStringLiteral("before")))
                before = to_int(s->attr(QStringLiteral("before")));
            if (s->attrs.contains(QStringLiteral("after")))
                after = to_int(s->attr(QStringLiteral("after")));
        }
        if (const Node* ind = ppr->child(QStringLiteral("w:ind"))) {
            if (ind->attrs.contains(QStringLiteral("left")))
                left = to_int(ind->attr(QStringLiteral("left")));
            if (ind->attrs.contains(QStringLiteral("right")))
                right = to_int(ind->attr(QStringLiteral("right")));
            if (ind->attrs.contains(QStringLiteral("first-line")))
                first_line = to_int(ind->attr(QStringLiteral("first-line")));
            if (ind->attrs.contains(QStringLiteral("firstLine")))
                first_line = to_int(ind->attr(QStringLiteral("firstLine")));
            if (ind->attrs.contains(QStringLiteral("hanging")))
                first_line = -to_int(ind->attr(QStringLiteral("hanging")));
        }
        mark.apply(ppr->child(QStringLiteral("w:rPr")));
    }
};

struct Style {
    QString based_on;
    const Node* ppr = nullptr;
    const Node* rpr = nullptr;
};

struct Border {
    bool present = false; // the side is specified at all
    QString css;          // empty for no line
};

Border border_of(const Node* side) {
    Border b;
    if (!side)
        return b;
    b.present = true;
    const QString val = side->attr(QStringLiteral("val"));
    if (val.isEmpty() || val == QLatin1String("nil") || val == QLatin1String("none"))
        return b;
    // w:sz is in eighths of a point; a hairline still shows as one pixel.
    const double points = to_int(side->attr(QStringLiteral("sz")), 4) / 8.0;
    int width = std::max(1, int(std::lround(points * 96.0 / 72.0)));
    QString style = QStringLiteral("solid");
    if (val == QLatin1String("double")) {
        style = QStringLiteral("double");
        width = std::max(width, 3);
    } else if (val.startsWith(QLatin1String("dot"))) {
        style = val.contains(QLatin1String("dash")) ? QStringLiteral("dashed")
                                                    : QStringLiteral("dotted");
    } else if (val.contains(QLatin1String("dash"))) {
        style = QStringLiteral("dashed");
    } else if (val == QLatin1String("thick")) {
        width = std::max(width, 2);
    }
    QString color = side->attr(QStringLiteral("color"));
    if (color.isEmpty() || color == QLatin1String("auto"))
        color = QStringLiteral("000000");
    b.css = QStringLiteral("%1px %2 #%3").arg(width).arg(style, color);
    return b;
}

// A document's HTML with its runs' texts left open: all of it but those texts is the same for
// every document of the same markup.
struct HtmlForm {
    struct Part {
        int text = -1; // the run text it is, by its place among the form's texts; -1: html
        bool caps = false;
        QString html;
    };
    struct Run {
        QString open, close; // the span that styles it, when it has a style
        std::vector<Part> parts;
    };
    std::vector<QString> between; // the HTML before each run, and after the last
    std::vector<Run> runs;
    std::vector<int> text_elements; // each text's element, by its start tag's place
    WordPage page;

    static void append(const Run& run, const std::vector<QString>& texts, QString& out) {
        QString text;
        for (const Part& p : run.parts)
            text += p.text < 0 ? p.html
                               : (p.caps ? texts[p.text].toUpper() : texts[p.text]).toHtmlEscaped();
        // A run without text leaves nothing, not even its span.
        if (!text.isEmpty())
            out += run.open + text + run.close;
    }

    WordHtml fill(const std::vector<QString>& texts) const {
        WordHtml out;
        out.page = page;
        for (std::size_t k = 0; k < runs.size(); ++k) {
            out.html += between[k];
            append(runs[k], texts, out.html);
        }
        out.html += between.back();
        return out;
    }
};

// A run's place in a form's HTML: XML allows no U+FFFF, so no document's HTML holds one.
constexpr QChar kRunMark(0xFFFF);

class Renderer {
public:
    explicit Renderer(const Node& root) : root_(root) {}
    // Renders into form, each run a mark in the HTML; element_of numbers the elements.
    Renderer(const Node& root, HtmlForm& form, const QHash<const Node*, int>& element_of)
        : root_(root), form_(&form), element_of_(&element_of) {}

    WordHtml render() {
        read_styles();
        WordHtml out;
        QString body;
        if (const Node* b = root_.child(QStringLiteral("w:body")))
            blocks(*b, body, &out.page);
        const int size = base_.half_points.value_or(20);
        out.html =
            QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" "
                           "content=\"text/html; charset=utf-8\">\n<style>@page { size: %1mm "
                           "%2mm; margin: %3mm %4mm %5mm %6mm; }</style>\n</head>\n<body "
                           "style=\"font-family:'%7'; font-size:%8pt; color:#000000; "
                           "background-color:#ffffff;\">\n")
                .arg(mm(out.page.width), mm(out.page.height), mm(out.page.top), mm(out.page.right),
                     mm(out.page.bottom), mm(out.page.left))
                .arg(base_.font.value_or(QStringLiteral("Times New Roman")))
                .arg(size / 2.0) +
            body + QStringLiteral("</body>\n</html>\n");
        return out;
    }

private:
    static QString mm(int twips) { return QString::number(twips * 25.4 / 1440.0, 'f', 1); }

    void read_styles() {
        if (const Node* fonts = root_.child(QStringLiteral("w:fonts")))
            if (const Node* def = fonts->child(QStringLiteral("w:defaultFonts"))) {
                const QString f = def->attr(QStringLiteral("ascii"));
                if (!f.isEmpty())
                    base_.font = f;
            }
        const Node* styles = root_.child(QStringLiteral("w:styles"));
        if (!styles)
            return;
        for (const Node& s : styles->children) {
            if (s.name != QLatin1String("w:style"))
                continue;
            Style st;
            st.based_on = s.val(QStringLiteral("w:basedOn")).value_or(QString());
            st.ppr = s.child(QStringLiteral("w:pPr"));
            st.rpr = s.child(QStringLiteral("w:rPr"));
            const QString id = s.attr(QStringLiteral("styleId"));
            styles_.insert(id, st);
            const QString is_default = s.attr(QStringLiteral("default"));
            if (!is_default.isEmpty() && on(is_default) &&
                s.attr(QStringLiteral("type")) == QLatin1String("paragraph")) {
                default_para_ = id;
                base_.apply(st.rpr);
            }
        }
    }

    // A style and what it is based on, outermost first.
    std::vector<const Style*> chain(const QString& id) const {
        std::vector<const Style*> out;
        QString cur = id;
        for (int depth = 0; depth < 16 && !cur.isEmpty(); ++depth) {
            auto it = styles_.constFind(cur);
            if (it == styles_.constEnd())
                break;
            out.insert(out.begin(), &*it);
            cur = it->based_on;
        }
        return out;
    }

    void blocks(const Node& parent, QString& out, WordPage* page) {
        for (const Node& n : parent.children) {
            if (n.name == QLatin1String("w:p"))
                paragraph(n, out);
            else if (n.name == QLatin1String("w:tbl"))
                table(n, out);
            else if (n.name == QLatin1String("w:sectPr")) {
                if (page)
                    section(n, *page);
            } else if (!n.name.startsWith(QLatin1String("w:")))
                blocks(n, out, page); // wx:sect, wx:sub-section and the like
        }
    }

    static void section(const Node& sect, WordPage& page) {
        if (const Node* sz = sect.child(QStringLiteral("w:pgSz"))) {
            page.width = to_int(sz->attr(QStringLiteral("w")), page.width);
            page.height = to_int(sz->attr(QStringLiteral("h")), page.height);
        }
        if (const Node* m = sect.child(QStringLiteral("w:pgMar"))) {
            page.top = to_int(m->attr(QStringLiteral("top")), page.top);
            page.right = to_int(m->attr(QStringLiteral("right")), page.right);
            page.bottom = to_int(m->attr(QStringLiteral("bottom")), page.bottom);
            page.left = to_int(m->attr(QStringLiteral("left")), page.left);
        }
    }

    static QString run_css(const RunProps& p, const RunProps& base) {
        QString css;
        if (p.bold.value_or(false))
            css += QStringLiteral("font-weight:bold; ");
        if (p.italic.value_or(false))
            css += QStringLiteral("font-style:italic; ");
        if (p.underline.value_or(false))
            css += QStringLiteral("text-decoration:underline; ");
        if (p.half_points && p.half_points != base.half_points)
            css += QStringLiteral("font-size:%1pt; ").arg(*p.half_points / 2.0);
        if (p.font && p.font != base.font)
            css += QStringLiteral("font-family:'%1'; ").arg(*p.font);
        return css.trimmed();
    }

    void paragraph(const Node& p, QString& out) {
        const Node* ppr = p.child(QStringLiteral("w:pPr"));
        const QString style_id =
            ppr ? ppr->val(QStringLiteral("w:pStyle")).value_or(default_para_) : default_para_;
        ParaProps pp;
        RunProps para_runs = base_;
        for (const Style* s : chain(style_id)) {
            pp.apply(s->ppr);
            para_runs.apply(s->rpr);
        }
        pp.apply(ppr);

        QString css =
            QStringLiteral("margin-top:%1; margin-bottom:%2; margin-left:%3; "
                           "margin-right:%4; text-indent:%5; white-space:pre-wrap;")
                .arg(px(pp.before.value_or(0)), px(pp.after.value_or(0)), px(pp.left.value_or(0)),
                     px(pp.right.value_or(0)), px(pp.first_line.value_or(0)));
        const QString align = pp.align.value_or(QStringLiteral("left"));
        if (align == QLatin1String("center"))
            css += QStringLiteral(" text-align:center;");
        else if (align == QLatin1String("right"))
            css += QStringLiteral(" text-align:right;");
        else if (align == QLatin1String("both") || align == QLatin1String("distribute"))
            css += QStringLiteral(" text-align:justify;");
        // An empty paragraph is as tall as its mark.
        RunProps mark = para_runs;
        mark.apply(ppr ? ppr->child(QStringLiteral("w:rPr")) : nullptr);
        const QString mark_css = run_css(mark, base_);
        if (!mark_css.isEmpty())
            css += QLatin1Char(' ') + mark_css;

        out += QStringLiteral("<p style=\"") + css + QStringLiteral("\">");
        runs(p, para_runs, out);
        out += QStringLiteral("</p>\n");
    }

    void runs(const Node& parent, const RunProps& para_runs, QString& out) {
        for (const Node& r : parent.children) {
            if (r.name == QLatin1String("w:r")) {
                RunProps rp = para_runs;
                const Node* rpr = r.child(QStringLiteral("w:rPr"));
                if (rpr)
                    if (const auto rs = rpr->val(QStringLiteral("w:rStyle")))
                        for (const Style* s : chain(*rs))
                            rp.apply(s->rpr);
                rp.apply(rpr);
                const bool caps = rp.caps.value_or(false);
                HtmlForm::Run run;
                for (const Node& c : r.children) {
                    if (c.name == QLatin1String("w:t")) {
                        if (form_) {
                            run.parts.push_back({int(form_->text_elements.size()), caps, {}});
                            form_->text_elements.push_back(element_of_->value(&c));
                        } else {
                            run.parts.push_back(
                                {-1, caps, (caps ? c.text.toUpper() : c.text).toHtmlEscaped()});
                        }
                    } else if (c.name == QLatin1String("w:tab")) {
                        run.parts.push_back({-1, false, QStringLiteral("\t")});
                    } else if (c.name == QLatin1String("w:br") || c.name == QLatin1String("w:cr")) {
                        run.parts.push_back({-1, false, QStringLiteral("<br />")});
                    }
                }
                if (run.parts.empty())
                    continue;
                const QString css = run_css(rp, base_);
                if (!css.isEmpty()) {
                    run.open = QStringLiteral("<span style=\"") + css + QStringLiteral("\">");
                    run.close = QStringLiteral("</span>");
                }
                if (form_) {
                    out += kRunMark;
                    form_->runs.push_back(std::move(run));
                } else {
                    HtmlForm::append(run, {}, out);
                }
            } else if (r.name == QLatin1String("w:hlink") ||
                       r.name == QLatin1String("w:fldSimple") ||
                       r.name == QLatin1String("w:smartTag") ||
                       !r.name.startsWith(QLatin1String("w:"))) {
                runs(r, para_runs, out);
            }
        }
    }

    struct Cell {
        const Node* node = nullptr;
        int col = 0, span = 1, rowspan = 1;
        bool continues = false; // a vertically merged cell under the one that starts it
    };

    void table(const Node& tbl, QString& out) {
        const Node* tpr = tbl.child(QStringLiteral("w:tblPr"));
        std::vector<int> grid;
        if (const Node* g = tbl.child(QStringLiteral("w:tblGrid")))
            for (const Node& c : g->children)
                if (c.name == QLatin1String("w:gridCol"))
                    grid.push_back(to_int(c.attr(QStringLiteral("w")), 0));

        std::vector<const Node*> rows;
        for (const Node& r : tbl.children)
            if (r.name == QLatin1String("w:tr"))
                rows.push_back(&r);

        // Lay the cells on the grid.
        std::vector<std::vector<Cell>> cells(rows.size());
        std::vector<int> heights(rows.size(), 0);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            int col = 0;
            if (const Node* trpr = rows[i]->child(QStringLiteral("w:trPr"))) {
                col = to_int(trpr->val(QStringLiteral("w:gridBefore")).value_or(QString()));
                if (const Node* h = trpr->child(QStringLiteral("w:trHeight")))
                    heights[i] = to_int(h->attr(QStringLiteral("val")));
            }
            for (const Node& tc : rows[i]->children) {
                if (tc.name != QLatin1String("w:tc"))
                    continue;
                Cell c;
                c.node = &tc;
                c.col = col;
                if (const Node* tcpr = tc.child(QStringLiteral("w:tcPr"))) {
                    c.span = std::max(
                        1,
                        to_int(
                            tcpr->val(QStringLiteral("w:gridSpan")).value_or(QStringLiteral("1")),
                            1));
                    std::optional<QString> vm = tcpr->val(QStringLiteral("w:vmerge"));
                    if (!vm)
                        vm = tcpr->val(QStringLiteral("w:vMerge"));
                    c.continues = vm && *vm != QLatin1String("restart");
                }
                col += c.span;
                cells[i].push_back(c);
            }
            if (std::size_t(col) > grid.size())
                grid.resize(col, 0);
        }
        // A cell that starts a vertical merge spans the continuing cells below it.
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (Cell& c : cells[i]) {
                if (c.continues)
                    continue;
                for (std::size_t k = i + 1; k < rows.size(); ++k) {
                    const Cell* below = nullptr;
                    for (const Cell& b : cells[k])
                        if (b.col == c.col)
                            below = &b;
                    if (!below || !below->continues)
                        break;
                    ++c.rowspan;
                }
            }

        const int ncols = int(grid.size());
        // Qt sizes the columns from the first row alone, and gives a cell that spans several
        // columns' width to each of them. Unless the first row is all single cells, a row of
        // empty cells one grid column each goes first; it takes over the first row's top
        // line and the vertical lines at its edges, so it only shows as a hairline of space.
        bool grid_row = cells.empty() || int(cells[0].size()) != ncols;
        for (const Cell& c : cells.empty() ? std::vector<Cell>() : cells[0])
            grid_row = grid_row || c.span != 1;
        // Row heights come from a narrow column at the right whose spacer images are as tall
        // as each row must be at least.
        const bool spacers =
            std::any_of(heights.begin(), heights.end(), [](int h) { return h > 0; });

        Border tb_top, tb_left, tb_bottom, tb_right, tb_h, tb_v;
        int pad_left = 108, pad_right = 108, pad_top = 0, pad_bottom = 0;
        QString table_attrs;
        if (tpr) {
            if (const Node* b = tpr->child(QStringLiteral("w:tblBorders"))) {
                tb_top = border_of(b->child(QStringLiteral("w:top")));
                tb_left = border_of(b->child(QStringLiteral("w:left")));
                tb_bottom = border_of(b->child(QStringLiteral("w:bottom")));
                tb_right = border_of(b->child(QStringLiteral("w:right")));
                tb_h = border_of(b->child(QStringLiteral("w:insideH")));
                tb_v = border_of(b->child(QStringLiteral("w:insideV")));
            }
            if (const Node* m = tpr->child(QStringLiteral("w:tblCellMar"))) {
                auto side = [&](const char* n, int& v) {
                    if (const Node* s = m->child(QStringLiteral("w:") + QLatin1String(n)))
                        v = to_int(s->attr(QStringLiteral("w")), v);
                };
                side("left", pad_left);
                side("right", pad_right);
                side("top", pad_top);
                side("bottom", pad_bottom);
            }
            if (const auto jc = tpr->val(QStringLiteral("w:jc")))
                if (*jc == QLatin1String("center") || *jc == QLatin1String("right"))
                    table_attrs += QStringLiteral(" align=\"%1\"").arg(*jc);
            if (const Node* ind = tpr->child(QStringLiteral("w:tblInd")))
                table_attrs +=
                    QStringLiteral(" style=\"border-collapse:collapse; margin-left:%1;\"")
                        .arg(px(to_int(ind->attr(QStringLiteral("w")))));
        }
        if (!table_attrs.contains(QLatin1String("style=")))
            table_attrs += QStringLiteral(" style=\"border-collapse:collapse;\"");

        auto col_px = [&](int from, int span) {
            double tw = 0;
            for (int k = from; k < from + span && k < ncols; ++k)
                tw += grid[k];
            return std::lround(tw / 15.0);
        };
        long total = col_px(0, ncols) + (spacers ? 1 : 0);

        out += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\" border=\"0\" "
                              "width=\"%1\"")
                   .arg(total) +
               table_attrs + QStringLiteral(">\n");
        const int nrows = int(rows.size());
        const TableBorders tb{tb_top, tb_left, tb_bottom, tb_right, tb_h, tb_v};
        const Padding pad{pad_top, pad_right, pad_bottom, pad_left};
        if (grid_row && nrows > 0) {
            std::vector<Sides> lines(ncols);
            for (const Cell& c : cells[0]) {
                const Sides s = sides(c, 0, nrows, ncols, tb);
                for (int k = c.col; k < c.col + c.span && k < ncols; ++k) {
                    lines[k].top = s.top;
                    if (k == c.col)
                        lines[k].left = s.left;
                    if (k == c.col + c.span - 1)
                        lines[k].right = s.right;
                }
            }
            out += QStringLiteral("<tr>");
            for (int k = 0; k < ncols; ++k)
                out += QStringLiteral("<td width=\"%1\" style=\"%2padding:0px; font-size:1pt;\">"
                                      "</td>")
                           .arg(col_px(k, 1))
                           .arg(lines[k].css());
            if (spacers)
                out += spacer(0);
            out += QStringLiteral("</tr>\n");
        }
        for (int i = 0; i < nrows; ++i) {
            out += QStringLiteral("<tr>");
            for (const Cell& c : cells[i]) {
                if (c.continues)
                    continue;
                Sides s = sides(c, i, nrows, ncols, tb);
                if (grid_row && i == 0)
                    s.top.clear();
                cell(c, s, col_px(c.col, c.span), pad, out);
            }
            if (spacers)
                out += spacer(heights[i]);
            out += QStringLiteral("</tr>\n");
        }
        out += QStringLiteral("</table>\n");
    }

    static QString spacer(int twips) {
        // A transparent one-pixel GIF.
        static const QString gif = QStringLiteral(
            "data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7");
        QString td = QStringLiteral("<td width=\"1\" style=\"padding:0px; font-size:1pt;\">");
        if (twips > 0)
            td += QStringLiteral("<img src=\"%1\" width=\"1\" height=\"%2\" />")
                      .arg(gif)
                      .arg(std::lround(twips / 15.0));
        return td + QStringLiteral("</td>");
    }

    struct TableBorders {
        Border top, left, bottom, right, inside_h, inside_v;
    };
    struct Padding {
        int top, right, bottom, left;
    };
    // The lines around a cell, as CSS values; empty for none.
    struct Sides {
        QString top, right, bottom, left;
        QString css() const {
            QString out;
            if (!top.isEmpty())
                out += QStringLiteral("border-top:") + top + QStringLiteral("; ");
            if (!right.isEmpty())
                out += QStringLiteral("border-right:") + right + QStringLiteral("; ");
            if (!bottom.isEmpty())
                out += QStringLiteral("border-bottom:") + bottom + QStringLiteral("; ");
            if (!left.isEmpty())
                out += QStringLiteral("border-left:") + left + QStringLiteral("; ");
            return out;
        }
    };

    // A cell's own borders win; the table's outer or inside lines fill in the rest.
    static Sides sides(const Cell& c, int row, int nrows, int ncols, const TableBorders& tb) {
        const Node* tcpr = c.node->child(QStringLiteral("w:tcPr"));
        const Node* tcb = tcpr ? tcpr->child(QStringLiteral("w:tcBorders")) : nullptr;
        auto side = [&](const char* name, const Border& outer, const Border& inner, bool edge) {
            const Border own =
                border_of(tcb ? tcb->child(QStringLiteral("w:") + QLatin1String(name)) : nullptr);
            if (own.present)
                return own.css;
            return edge ? outer.css : inner.css;
        };
        Sides s;
        s.top = side("top", tb.top, tb.inside_h, row == 0);
        s.bottom = side("bottom", tb.bottom, tb.inside_h, row + c.rowspan >= nrows);
        s.left = side("left", tb.left, tb.inside_v, c.col == 0);
        s.right = side("right", tb.right, tb.inside_v, c.col + c.span >= ncols);
        return s;
    }

    void cell(const Cell& c, const Sides& lines, long width, Padding pad, QString& out) {
        const Node* tcpr = c.node->child(QStringLiteral("w:tcPr"));
        QString css = lines.css();
        if (tcpr)
            if (const Node* m = tcpr->child(QStringLiteral("w:tcMar"))) {
                auto own = [&](const char* n, int& v) {
                    if (const Node* s = m->child(QStringLiteral("w:") + QLatin1String(n)))
                        v = to_int(s->attr(QStringLiteral("w")), v);
                };
                own("top", pad.top);
                own("right", pad.right);
                own("bottom", pad.bottom);
                own("left", pad.left);
            }
        css += QStringLiteral("padding-top:%1; padding-right:%2; padding-bottom:%3; "
                              "padding-left:%4;")
                   .arg(px(pad.top), px(pad.right), px(pad.bottom), px(pad.left));

        QString attrs = QStringLiteral(" width=\"%1\"").arg(width);
        if (c.span > 1)
            attrs += QStringLiteral(" colspan=\"%1\"").arg(c.span);
        if (c.rowspan > 1)
            attrs += QStringLiteral(" rowspan=\"%1\"").arg(c.rowspan);
        QString valign = QStringLiteral("top");
        if (tcpr) {
            const QString v = tcpr->val(QStringLiteral("w:vAlign")).value_or(QString());
            if (v == QLatin1String("center"))
                valign = QStringLiteral("middle");
            else if (v == QLatin1String("bottom"))
                valign = QStringLiteral("bottom");
            if (const Node* shd = tcpr->child(QStringLiteral("w:shd"))) {
                const QString fill = shd->attr(QStringLiteral("fill"));
                if (!fill.isEmpty() && fill != QLatin1String("auto"))
                    attrs += QStringLiteral(" bgcolor=\"#%1\"").arg(fill);
            }
        }
        attrs += QStringLiteral(" valign=\"%1\"").arg(valign);
        out += QStringLiteral("<td") + attrs + QStringLiteral(" style=\"") + css +
               QStringLiteral("\">");
        QString content;
        blocks(*c.node, content, nullptr);
        out += content;
        out += QStringLiteral("</td>");
    }

    const Node& root_;
    HtmlForm* form_ = nullptr;
    const QHash<const Node*, int>* element_of_ = nullptr;
    QHash<QString, Style> styles_;
    QString default_para_;
    RunProps base_;
};

// Length of the valid UTF-8 sequence that starts at i, or 0.
int utf8_length(const QByteArray& b, qsizetype i) {
    const auto c = static_cast<unsigned char>(b[i]);
    int n = 0;
    char32_t min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > b.size())
        return 0;
    char32_t cp = c & (0xFF >> (n + 1));
    for (int k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(b[i + k]);
        if ((d & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

QString decode_document(const QByteArray& bytes) {
    // Most documents are UTF-8 throughout and read in one go; one with a replacement
    // character (or bytes that are not UTF-8) is read byte by byte.
    const qsizetype from = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QString whole = QString::fromUtf8(bytes.constData() + from, bytes.size() - from);
    if (!whole.contains(QChar::ReplacementCharacter))
        return whole;
    QString out;
    out.reserve(bytes.size());
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out.append(QChar(c));
            ++i;
            continue;
        }
        const int n = utf8_length(bytes, i);
        if (n > 0) {
            out.append(QString::fromUtf8(bytes.constData() + i, n));
            i += n;
        } else {
            out.append(from_cp1251(bytes.mid(i, 1)));
            ++i;
        }
    }
    return out;
}

namespace {

bool xml_char(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// A reference in character data that needs no declaration: the five named ones and a
// character's number. Returns its length, 0 when it is not one.
qsizetype plain_reference(QStringView s, qsizetype at) {
    const qsizetype end = s.indexOf(u';', at);
    if (end < 0 || end - at > 12)
        return 0;
    const QStringView name = s.sliced(at + 1, end - at - 1);
    for (const char16_t* n : {u"amp", u"lt", u"gt", u"quot", u"apos"})
        if (name == QStringView(n))
            return end - at + 1;
    if (name.size() < 2 || name[0] != u'#')
        return 0;
    bool ok = false;
    const uint code = name[1] == u'x' ? name.sliced(2).toUInt(&ok, 16) : name.sliced(1).toUInt(&ok);
    return ok && xml_char(code) ? end - at + 1 : 0;
}

// The texts of a document as its reader hands them to the elements, found beside its markup.
struct DocumentTexts {
    // Whether the reader takes every text as it is found here. Not so with a CDATA section, a
    // reference the reader might read otherwise, or markup inside a run's text or closing
    // another element than the one open: the forgiving reading may make those text.
    bool plain = true;
    std::vector<QStringView> markup; // every tag, comment and instruction, in order
    // Whether each text outside the root is blank; inside it, any plain text reads.
    std::vector<bool> blank_outside;
    int elements = 0; // start tags, those of empty elements too
    // Each text inside the root: the element it is in, counted by start tags, and the text as
    // read (references resolved, each line break a line feed).
    std::vector<std::pair<int, QString>> texts;

    bool same_markup(const DocumentTexts& other) const {
        return elements == other.elements && blank_outside == other.blank_outside &&
               markup == other.markup;
    }
};

// A text as the reader gives it; none when it holds a reference written in a way only
// plain_reference takes.
std::optional<QString> read_text(QStringView t) {
    QString out;
    out.reserve(t.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < t.size() && t[i + 1] == u'\n')
                ++i;
            continue;
        }
        if (c != u'&') {
            out += c;
            continue;
        }
        const qsizetype end = t.indexOf(u';', i);
        const QStringView name = t.sliced(i + 1, end - i - 1);
        i = end;
        static const std::pair<QStringView, char16_t> named[] = {
            {u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}};
        const auto it = std::find_if(std::begin(named), std::end(named),
                                     [&](const auto& e) { return e.first == name; });
        if (it != std::end(named)) {
            out += QChar(it->second);
            continue;
        }
        const bool hex = name.startsWith(u"#x");
        const QStringView digits = name.sliced(hex ? 2 : 1);
        const auto digit = [hex](QChar d) {
            return (d >= u'0' && d <= u'9') ||
                   (hex && ((d >= u'a' && d <= u'f') || (d >= u'A' && d <= u'F')));
        };
        if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), digit))
            return std::nullopt;
        const char32_t code = digits.toUInt(nullptr, hex ? 16 : 10);
        out += QString::fromUcs4(&code, 1);
    }
    return out;
}

// The name in a start or end tag.
QStringView tag_name(QStringView tag) {
    const qsizetype from = tag.startsWith(u"</") ? 2 : 1;
    qsizetype end = from;
    while (end < tag.size() && tag[end] != u'>' && tag[end] != u'/' && tag[end] != u' ' &&
           tag[end] != u'\t' && tag[end] != u'\n' && tag[end] != u'\r')
        ++end;
    return tag.sliced(from, end - from);
}

// The document's markup, every tag, comment and instruction as written, with whether the text
// between them is blank; none when a text holds anything but plain characters and references
// (or there is a declaration). Two documents alike in it are both well formed or both not:
// only their texts differ, and plain text cannot change how a document parses. With texts,
// the markup and the texts are also kept there.
std::optional<size_t> markup_shape(const QString& xml, DocumentTexts* texts = nullptr) {
    const QStringView s(xml);
    const qsizetype n = s.size();
    size_t h = 0;
    qsizetype i = 0;
    struct Open {
        QStringView name;
        int element;
    };
    std::vector<Open> open;
    const auto in_run_text = [&open] {
        return !open.empty() && open.back().name == QLatin1StringView("w:t");
    };
    while (i < n) {
        const qsizetype from = i;
        bool blank = true;
        for (; i < n && s[i] != u'<'; ++i) {
            const QChar c = s[i];
            if (c == u'&') {
                const qsizetype len = plain_reference(s, i);
                if (len == 0)
                    return std::nullopt;
                i += len - 1;
                blank = false;
            } else if (c.isHighSurrogate() && i + 1 < n && s[i + 1].isLowSurrogate()) {
                ++i;
                blank = false;
            } else if (!xml_char(c.unicode()) || c.isSurrogate() ||
                       (c == u'>' && i >= 2 && s[i - 1] == u']' && s[i - 2] == u']')) {
                return std::nullopt;
            } else if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') {
                blank = false;
            }
        }
        h = qHashMulti(h, blank);
        if (texts) {
            if (open.empty()) {
                texts->blank_outside.push_back(blank);
            } else if (i > from) {
                std::optional<QString> text = read_text(s.sliced(from, i - from));
                if (text)
                    texts->texts.emplace_back(open.back().element, std::move(*text));
                else
                    texts->plain = false;
            }
        }
        if (i >= n)
            break;
        qsizetype end;
        bool tag = false;
        if (s.sliced(i).startsWith(u"<!--"))
            end = s.indexOf(u"-->", i + 4) + 3;
        else if (s.sliced(i).startsWith(u"<![CDATA["))
            end = s.indexOf(u"]]>", i + 9) + 3;
        else if (s.sliced(i).startsWith(u"<?"))
            end = s.indexOf(u"?>", i + 2) + 2;
        else if (s.sliced(i).startsWith(u"<!"))
            return std::nullopt; // a declaration is always read in full
        else {
            tag = true;
            QChar quote;
            for (end = i + 1; end < n; ++end) {
                if (!quote.isNull()) {
                    if (s[end] == quote)
                        quote = QChar();
                } else if (s[end] == u'"' || s[end] == u'\'') {
                    quote = s[end];
                } else if (s[end] == u'>') {
                    break;
                }
            }
            ++end;
        }
        if (end <= i || end > n)
            return std::nullopt;
        const QStringView piece = s.sliced(i, end - i);
        h = qHashMulti(h, piece);
        if (texts) {
            texts->markup.push_back(piece);
            if (piece.startsWith(u"<![CDATA[") || in_run_text()) {
                // A run's text ends at its own end tag only, and then by the reading's choice.
                if (!(piece.startsWith(u"</") && tag_name(piece) == u"w:t"))
                    texts->plain = false;
            }
            if (tag && piece.startsWith(u"</")) {
                if (open.empty() || open.back().name != tag_name(piece))
                    texts->plain = false;
                else
                    open.pop_back();
            } else if (tag) {
                const int element = texts->elements++;
                if (!piece.endsWith(u"/>"))
                    open.push_back({tag_name(piece), element});
            }
        }
        i = end;
    }
    return h;
}

// A document read in full and kept, so that another of the same markup need not be: its HTML
// is this one's with the other's texts in place of its own.
struct ReadDocument {
    QString xml; // holds what the markup's views show
    DocumentTexts markup;
    HtmlForm form;
    std::vector<int> text_of; // for each element, its place among the form's texts, or -1

    WordHtml render(const DocumentTexts& texts) const {
        std::vector<QString> filled(form.text_elements.size());
        for (const auto& [element, text] : texts.texts)
            if (text_of[element] >= 0)
                filled[text_of[element]] += text;
        return form.fill(filled);
    }
};

void number_elements(const Node& n, QHash<const Node*, int>& out) {
    out.insert(&n, int(out.size()));
    for (const Node& c : n.children)
        number_elements(c, out);
}

// A document just read and drawn, to be kept if the texts found beside its markup give its
// HTML as drawn; null otherwise.
std::unique_ptr<ReadDocument> keepable(const QString& xml, DocumentTexts texts, const Node& root,
                                       const WordHtml& drawn) {
    QHash<const Node*, int> element_of;
    number_elements(root, element_of);
    if (!texts.plain || element_of.size() != texts.elements)
        return nullptr;
    auto doc = std::make_unique<ReadDocument>();
    doc->xml = xml;
    HtmlForm& form = doc->form;
    const WordHtml marked = Renderer(root, form, element_of).render();
    const QStringList between = marked.html.split(kRunMark);
    if (std::size_t(between.size()) != form.runs.size() + 1)
        return nullptr;
    form.between.assign(between.begin(), between.end());
    form.page = marked.page;
    doc->text_of.assign(texts.elements, -1);
    for (std::size_t k = 0; k < form.text_elements.size(); ++k)
        doc->text_of[form.text_elements[k]] = int(k);
    const WordHtml again = doc->render(texts);
    if (again.html != drawn.html)
        return nullptr;
    doc->markup = std::move(texts);
    doc->markup.texts.clear();
    return doc;
}

} // namespace

// Each order's filled template is the same document but for its texts: once one is found well
// formed, another of the same markup with plain texts is too, and is not read again.
void check_wordml(const QString& xml) {
    static QSet<size_t> sound;
    const std::optional<size_t> shape = markup_shape(xml);
    if (shape && sound.contains(*shape))
        return;
    parse(xml, false);
    if (!shape)
        return;
    if (sound.size() >= 64)
        sound.clear();
    sound.insert(*shape);
}

// A print run fills the same template for each order: its markup is read and drawn once, and
// each order's texts are put into what was drawn.
WordHtml render_wordml(const QString& xml) {
    static std::vector<std::unique_ptr<ReadDocument>> kept;
    DocumentTexts texts;
    const std::optional<size_t> shape = markup_shape(xml, &texts);
    if (shape && texts.plain)
        for (const auto& doc : kept)
            if (doc->markup.same_markup(texts))
                return doc->render(texts);
    const Node root = parse(xml);
    WordHtml out = Renderer(root).render();
    if (!shape || !texts.plain)
        return out;
    if (auto doc = keepable(xml, std::move(texts), root, out)) {
        if (kept.size() >= 4)
            kept.erase(kept.begin());
        kept.push_back(std::move(doc));
    }
    return out;
}

} // namespace tavrelis::platform
