#pragma once

#include <QByteArray>
#include <QString>

namespace tavrelis::platform {

// Page of a WordprocessingML section, in twips (1/1440 inch).
struct WordPage {
    int width = 11906, height = 16838; // A4 portrait
    int top = 1134, right = 850, bottom = 1134, left = 1701;
};

struct WordHtml {
    QString html; // UTF-8 HTML document
    WordPage page;
};

// Document bytes as text: UTF-8 wherever the bytes form valid UTF-8, and every other byte
// read as its windows-1251 character (values put into a UTF-8 document as windows-1251
// bytes still read right).
QString decode_document(const QByteArray& bytes);

// Renders a WordprocessingML 2003 document (w:wordDocument) as HTML that QTextDocument and
// browsers draw alike: paragraphs with alignment, spacing and indents; runs with bold,
// italic, underline, size and font; tables with their grid, cell widths, borders, margins,
// shading, merged cells (gridSpan, vmerge/vMerge), vertical alignment and row heights.
// Run texts are read as a forgiving word processor reads them (MendedDocument). Raises an
// Error naming the line when the text is not such a document.
WordHtml render_wordml(const QString& xml);
// The errors render_wordml would raise, found without drawing anything.
void check_wordml(const QString& xml);

} // namespace tavrelis::platform
