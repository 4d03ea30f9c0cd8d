#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace tavrelis::platform {

// A WordprocessingML document as a forgiving word processor reads it. Values go into a
// filled template as they are, so the text of a run may hold "<", ">", "&", even "</w:t>",
// and characters XML does not allow. The text of every run (<w:t> to the "</w:t>" that
// closes it) is rewritten as proper XML text: "<" and ">" escaped, a "&" that starts no
// reference taken as itself, a character XML forbids shown as a blank. Everything else stays
// as written, so a document broken outside its run texts still fails to open.
class MendedDocument {
public:
    // Raises an Error for a document with a document type declaration: WordprocessingML
    // has no use for one, and its entities would reach for files or grow without bound.
    // The document must outlive this object.
    explicit MendedDocument(const QString& document);

    const QString& xml() const { return xml_; }

    // The column the XML reader gives for a place in xml(), as it is in the document as
    // written: line breaks pass as they are, so only what was added on the place's line
    // counts.
    qint64 column(qsizetype offset, qint64 column) const;

private:
    struct Span {                     // a run text whose length changed
        qsizetype from, to;           // in xml_
        qsizetype orig_from, orig_to; // in the document as written
    };
    QStringView original_;
    QString xml_;
    std::vector<Span> spans_; // in order
};

} // namespace tavrelis::platform
