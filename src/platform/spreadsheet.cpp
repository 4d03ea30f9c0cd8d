#include "platform/spreadsheet.h"

#include "platform/errors.h"

#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>

namespace tavrelis::platform {

const QString kSpreadsheetNs = QStringLiteral("urn:schemas-microsoft-com:office:spreadsheet");

namespace {

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;

const QString kObjectError = QStringLiteral("Application-defined or object-defined error");

// The prefix ("ss:" or "") of a qualified name.
QString prefix_of(const QString& qualified) {
    const qsizetype colon = qualified.indexOf(u':');
    return colon < 0 ? QString() : qualified.left(colon + 1);
}

void set_attribute(XmlNode& node, const QString& attr_prefix, const QString& local,
                   const QString& value) {
    for (XmlNode::Attribute& a : node.attributes)
        if (a.uri == kSpreadsheetNs && a.name == local) {
            a.value = value;
            return;
        }
    node.attributes.push_back({kSpreadsheetNs, local, attr_prefix + local, value});
}

void remove_attribute(XmlNode& node, const QString& local) {
    std::erase_if(node.attributes, [&](const XmlNode::Attribute& a) {
        return a.uri == kSpreadsheetNs && a.name == local;
    });
}

int int_attribute(const XmlNode& node, const QString& local, int otherwise) {
    const QString* v = node.attribute(local);
    if (!v)
        return otherwise;
    bool ok = false;
    const int n = v->trimmed().toInt(&ok);
    return ok ? n : otherwise;
}

XmlNode element_like(const XmlNode& sibling_or_parent, const QString& local) {
    XmlNode n;
    n.uri = kSpreadsheetNs;
    n.name = local;
    n.qualified = prefix_of(sibling_or_parent.qualified) + local;
    return n;
}

// Rows of a table and cells of a row share one numbering rule: an element stands at its
// ss:Index, or right after the one before it, and covers `extent` more places after that
// (ss:Span of a row, ss:MergeAcross of a cell).
struct Slot {
    size_t child; // position among the parent's children
    int first, last;
};

std::vector<Slot> places_of(const XmlNode& parent, const QString& local, const QString& extent) {
    std::vector<Slot> out;
    int last = 0;
    for (size_t i = 0; i < parent.children.size(); ++i) {
        const XmlNode& c = parent.children[i];
        if (!c.is(local))
            continue;
        const int first = int_attribute(c, QStringLiteral("Index"), last + 1);
        last = first + std::max(0, int_attribute(c, extent, 0));
        out.push_back({i, first, last});
    }
    return out;
}

// The child standing at place n, made when missing. A row spanning several places is split
// so that place n gets a row of its own.
XmlNode& place(XmlNode& parent, const QString& local, const QString& extent, int n,
               const QString& attr_prefix) {
    const std::vector<Slot> taken = places_of(parent, local, extent);
    int before = 0; // last place taken before n
    // Where a new child goes: before the first one after n; at the end when none is (rows
    // then follow the columns a table starts with).
    size_t at = parent.children.size();
    for (const Slot& s : taken) {
        if (s.first <= n && n <= s.last) {
            if (s.first == s.last)
                return parent.children[s.child];
            if (local == QStringLiteral("Cell")) {
                if (n == s.first)
                    return parent.children[s.child];
                throw Error(QStringLiteral("Невозможно изменить часть объединенной ячейки"));
            }
            // Split the spanned row into [first, n-1], n and [n+1, last].
            const XmlNode original = parent.children[s.child];
            std::vector<XmlNode> parts;
            if (n > s.first) {
                XmlNode a = original;
                if (n - 1 > s.first)
                    set_attribute(a, attr_prefix, extent, QString::number(n - 1 - s.first));
                else
                    remove_attribute(a, extent);
                parts.push_back(std::move(a));
            }
            XmlNode mid = original;
            remove_attribute(mid, extent);
            if (n > s.first)
                remove_attribute(mid, QStringLiteral("Index"));
            parts.push_back(std::move(mid));
            const size_t mid_offset = parts.size() - 1;
            if (n < s.last) {
                XmlNode b = original;
                remove_attribute(b, QStringLiteral("Index"));
                if (s.last - n - 1 > 0)
                    set_attribute(b, attr_prefix, extent, QString::number(s.last - n - 1));
                else
                    remove_attribute(b, extent);
                parts.push_back(std::move(b));
            }
            parent.children.erase(parent.children.begin() + qsizetype(s.child));
            parent.children.insert(parent.children.begin() + qsizetype(s.child), parts.begin(),
                                   parts.end());
            return parent.children[s.child + mid_offset];
        }
        if (s.first > n) {
            at = s.child;
            break;
        }
        before = s.last;
        at = s.child + 1;
    }
    // A following element, if any, carries its own ss:Index: it stood after a gap.
    XmlNode fresh = element_like(parent, local);
    if (n != before + 1)
        set_attribute(fresh, attr_prefix, QStringLiteral("Index"), QString::number(n));
    parent.children.insert(parent.children.begin() + qsizetype(at), std::move(fresh));
    return parent.children[at];
}

const XmlNode* find_place(const XmlNode& parent, const QString& local, const QString& extent,
                          int n) {
    for (const Slot& s : places_of(parent, local, extent))
        if (s.first <= n && n <= s.last)
            return s.first == n || local == QStringLiteral("Row") ? &parent.children[s.child]
                                                                  : nullptr;
    return nullptr;
}

QString text_of(const XmlNode& n) {
    if (n.kind == XmlNode::Text)
        return n.text;
    QString out;
    if (n.kind == XmlNode::Element)
        for (const XmlNode& c : n.children)
            out += text_of(c);
    return out;
}

void write_node(QXmlStreamWriter& w, const XmlNode& n) {
    switch (n.kind) {
    case XmlNode::Text:
        w.writeCharacters(n.text);
        return;
    case XmlNode::Comment:
        w.writeComment(n.text);
        return;
    case XmlNode::Instruction:
        w.writeProcessingInstruction(n.name, n.text);
        return;
    case XmlNode::Element:
        break;
    }
    w.writeStartElement(n.qualified);
    for (const XmlNode::Namespace& ns : n.namespaces)
        w.writeAttribute(ns.prefix.isEmpty() ? QStringLiteral("xmlns")
                                             : QStringLiteral("xmlns:") + ns.prefix,
                         ns.uri);
    for (const XmlNode::Attribute& a : n.attributes)
        w.writeAttribute(a.qualified, a.value);
    for (const XmlNode& c : n.children)
        write_node(w, c);
    w.writeEndElement();
}

// The prefix, with its colon, under which the workbook's root binds the spreadsheet
// namespace for attributes; the binding is added when the root has none.
QString attribute_prefix(XmlNode& root) {
    for (const XmlNode::Namespace& ns : root.namespaces)
        if (ns.uri == kSpreadsheetNs && !ns.prefix.isEmpty())
            return ns.prefix + u':';
    root.namespaces.push_back({QStringLiteral("ss"), kSpreadsheetNs});
    return QStringLiteral("ss:");
}

} // namespace

bool XmlNode::is(const QString& local) const {
    return kind == Element && uri == kSpreadsheetNs && name == local;
}

const QString* XmlNode::attribute(const QString& local) const {
    for (const Attribute& a : attributes)
        if (a.uri == kSpreadsheetNs && a.name == local)
            return &a.value;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------

XmlNode& Worksheet::node() const {
    return book_->root_.children[index_];
}

QString Worksheet::Name() const {
    const QString* v = node().attribute(QStringLiteral("Name"));
    return v ? *v : QString();
}

void Worksheet::set_cell(int row, int col, const QString& text) {
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxColumns)
        throw Error(kObjectError);
    XmlNode& sheet = node();
    const QString attr_prefix = attribute_prefix(book_->root_);

    auto table_it = std::find_if(sheet.children.begin(), sheet.children.end(),
                                 [](const XmlNode& c) { return c.is(QStringLiteral("Table")); });
    if (table_it == sheet.children.end()) {
        // The table comes first in a sheet, after its names only.
        auto at = std::find_if(sheet.children.begin(), sheet.children.end(), [](const XmlNode& c) {
            return c.kind == XmlNode::Element && !c.is(QStringLiteral("Names"));
        });
        table_it = sheet.children.insert(at, element_like(sheet, QStringLiteral("Table")));
    }
    XmlNode& table = *table_it;
    // A table that declares its size must cover every cell, or the program refuses the file.
    if (int_attribute(table, QStringLiteral("ExpandedRowCount"), row) < row)
        set_attribute(table, attr_prefix, QStringLiteral("ExpandedRowCount"), QString::number(row));
    if (int_attribute(table, QStringLiteral("ExpandedColumnCount"), col) < col)
        set_attribute(table, attr_prefix, QStringLiteral("ExpandedColumnCount"),
                      QString::number(col));

    XmlNode& r = place(table, QStringLiteral("Row"), QStringLiteral("Span"), row, attr_prefix);
    XmlNode& c = place(r, QStringLiteral("Cell"), QStringLiteral("MergeAcross"), col, attr_prefix);
    remove_attribute(c, QStringLiteral("Formula"));
    remove_attribute(c, QStringLiteral("ArrayRange"));
    auto data = std::find_if(c.children.begin(), c.children.end(),
                             [](const XmlNode& n) { return n.is(QStringLiteral("Data")); });
    const auto at = data == c.children.end() ? c.children.begin() : c.children.erase(data);
    if (text.isEmpty())
        return;
    XmlNode value = element_like(c, QStringLiteral("Data"));
    value.attributes.push_back({kSpreadsheetNs, QStringLiteral("Type"),
                                attr_prefix + QStringLiteral("Type"), QStringLiteral("String")});
    XmlNode chars;
    chars.kind = XmlNode::Text;
    chars.text = text;
    value.children.push_back(std::move(chars));
    c.children.insert(at, std::move(value));
}

QString Worksheet::cell(int row, int col) const {
    const XmlNode& sheet = node();
    for (const XmlNode& table : sheet.children) {
        if (!table.is(QStringLiteral("Table")))
            continue;
        const XmlNode* r = find_place(table, QStringLiteral("Row"), QStringLiteral("Span"), row);
        if (!r)
            return {};
        const XmlNode* c =
            find_place(*r, QStringLiteral("Cell"), QStringLiteral("MergeAcross"), col);
        if (!c)
            return {};
        for (const XmlNode& d : c->children)
            if (d.is(QStringLiteral("Data")))
                return text_of(d);
        return {};
    }
    return {};
}

// ---------------------------------------------------------------------------------------------

Workbook::Workbook(const QString& template_path) {
    QFile f(template_path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удалось открыть книгу \"%1\": %2")
                        .arg(template_path, f.errorString()));
    QXmlStreamReader r(&f);
    std::vector<XmlNode*> open;
    bool have_root = false;
    auto add = [&](XmlNode n) {
        if (open.empty())
            prolog_.push_back(std::move(n));
        else
            open.back()->children.push_back(std::move(n));
    };
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartDocument:
            prolog_version_ = r.documentVersion().toString();
            break;
        case QXmlStreamReader::StartElement: {
            XmlNode n;
            n.uri = r.namespaceUri().toString();
            n.name = r.name().toString();
            n.qualified = r.qualifiedName().toString();
            for (const QXmlStreamNamespaceDeclaration& d : r.namespaceDeclarations())
                n.namespaces.push_back({d.prefix().toString(), d.namespaceUri().toString()});
            for (const QXmlStreamAttribute& a : r.attributes())
                if (!a.isDefault())
                    n.attributes.push_back({a.namespaceUri().toString(), a.name().toString(),
                                            a.qualifiedName().toString(), a.value().toString()});
            if (open.empty()) {
                root_ = std::move(n);
                have_root = true;
                open.push_back(&root_);
            } else {
                open.back()->children.push_back(std::move(n));
                open.push_back(&open.back()->children.back());
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!open.empty()) {
                XmlNode t;
                t.kind = XmlNode::Text;
                t.text = r.text().toString();
                add(std::move(t));
            }
            break;
        case QXmlStreamReader::Comment: {
            XmlNode c;
            c.kind = XmlNode::Comment;
            c.text = r.text().toString();
            add(std::move(c));
            break;
        }
        case QXmlStreamReader::ProcessingInstruction: {
            XmlNode p;
            p.kind = XmlNode::Instruction;
            p.name = r.processingInstructionTarget().toString();
            p.text = r.processingInstructionData().toString();
            if (have_root && open.empty())
                break; // after the root: nothing the program keeps
            add(std::move(p));
            break;
        }
        default:
            break;
        }
    }
    if (r.hasError())
        throw Error(QStringLiteral("Книга \"%1\" повреждена: %2 (строка %3)")
                        .arg(template_path, r.errorString())
                        .arg(r.lineNumber()));
    if (!have_root || !root_.is(QStringLiteral("Workbook")))
        throw Error(QStringLiteral("Файл \"%1\" не является книгой в формате XML-таблицы 2003")
                        .arg(template_path));
    for (size_t i = 0; i < root_.children.size(); ++i)
        if (root_.children[i].is(QStringLiteral("Worksheet")))
            sheets_.push_back(std::unique_ptr<Worksheet>(new Worksheet(*this, i)));
}

Worksheet& Workbook::sheets(int index) {
    if (index < 1 || index > int(sheets_.size()))
        throw Error(QStringLiteral("Subscript out of range"));
    return *sheets_[size_t(index - 1)];
}

void Workbook::SaveAs(const QString& path) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw Error(
            QStringLiteral("Не удалось сохранить книгу \"%1\": %2").arg(path, f.errorString()));
    QXmlStreamWriter w(&f);
    w.writeStartDocument(prolog_version_.isEmpty() ? QStringLiteral("1.0") : prolog_version_);
    for (const XmlNode& n : prolog_) {
        w.writeCharacters(QStringLiteral("\n"));
        write_node(w, n);
    }
    w.writeCharacters(QStringLiteral("\n"));
    write_node(w, root_);
    w.writeCharacters(QStringLiteral("\n"));
    w.writeEndDocument();
    // commit() misses a failed flush of the last buffered bytes (a full disk) and would put a
    // short workbook in place of a whole one; flushing first shows it.
    if (w.hasError() || !f.flush() || !f.commit())
        throw Error(
            QStringLiteral("Не удалось сохранить книгу \"%1\": %2").arg(path, f.errorString()));
}

// ---------------------------------------------------------------------------------------------

Spreadsheet::Spreadsheet() = default;
Spreadsheet::~Spreadsheet() = default;

QString Spreadsheet::Version() const {
    return QStringLiteral("12.0");
}

Workbook& Spreadsheet::add_workbook(const QString& template_path) {
    books_.push_back(std::make_unique<Workbook>(template_path));
    return *books_.back();
}

void Spreadsheet::Quit() {
    books_.clear();
}

} // namespace tavrelis::platform
