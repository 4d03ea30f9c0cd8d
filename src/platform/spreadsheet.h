#pragma once

#include <QString>
#include <memory>
#include <vector>

namespace tavrelis::platform {

// The spreadsheet program as the module drives it ("Excel.Application"): an instance that
// tells its version, opens workbooks from templates, sets cells, saves and quits. The
// stand-in works on SpreadsheetML 2003 workbooks (the XML Spreadsheet format) and keeps
// whatever a workbook holds beyond the cells it is told to set: styles, columns, options.

class Workbook;

// One node of a workbook's XML, kept as read so that saving gives back what was not changed.
struct XmlNode {
    enum Kind { Element, Text, Comment, Instruction };
    struct Attribute {
        QString uri, name, qualified, value;
    };
    struct Namespace {
        QString prefix, uri;
    };

    Kind kind = Element;
    QString uri, name, qualified; // an element's namespace, local and written name
    QString text;                 // text and comment content; an instruction's target is name
    std::vector<Attribute> attributes;
    std::vector<Namespace> namespaces; // declared on this element
    std::vector<XmlNode> children;

    bool is(const QString& local) const;                  // an element of the spreadsheet namespace
    const QString* attribute(const QString& local) const; // an ss: attribute; nullptr if none
};

// A sheet of a workbook ("sheets"(i)).
class Worksheet {
public:
    QString Name() const;
    // "cells"(row, col) = text: the cell takes the text as a string value; an empty text
    // empties it. The cell keeps its style; a formula it had is dropped. Rows and columns
    // count from 1 and go up to the program's limits (65536 rows, 256 columns).
    void set_cell(int row, int col, const QString& text);
    // The value of a cell as text; empty for a cell that is not there.
    QString cell(int row, int col) const;

private:
    friend class Workbook;
    Worksheet(Workbook& book, size_t index) : book_(&book), index_(index) {}
    XmlNode& node() const;
    Workbook* book_;
    size_t index_; // position of the Worksheet element among the workbook's children
};

// A workbook opened from a template ("Workbooks", "Add").
class Workbook {
public:
    // Reads a SpreadsheetML workbook; raises an error when the file cannot be read or is not
    // such a workbook.
    explicit Workbook(const QString& template_path);
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    int sheet_count() const { return int(sheets_.size()); }
    // "sheets"(index), from 1; raises "Subscript out of range" for a sheet that is not there.
    Worksheet& sheets(int index);
    // "SaveAs": writes the workbook, replacing a file of that name; raises an error when it
    // cannot be written.
    void SaveAs(const QString& path);

private:
    friend class Worksheet;
    QString prolog_version_;
    std::vector<XmlNode> prolog_; // instructions and comments before the root
    XmlNode root_;
    std::vector<std::unique_ptr<Worksheet>> sheets_;
};

// The instance ("Excel.Application").
class Spreadsheet {
public:
    Spreadsheet();
    virtual ~Spreadsheet();
    Spreadsheet(const Spreadsheet&) = delete;
    Spreadsheet& operator=(const Spreadsheet&) = delete;

    // "Version": the release of the program, "12.0" for the stand-in.
    virtual QString Version() const;
    // "Workbooks", "Add": a new workbook, a copy of the template file; it lives until Quit.
    virtual Workbook& add_workbook(const QString& template_path);
    // "Quit": closes every workbook without saving.
    virtual void Quit();

private:
    std::vector<std::unique_ptr<Workbook>> books_;
};

// The namespace of SpreadsheetML elements and of their ss: attributes.
extern const QString kSpreadsheetNs;

} // namespace tavrelis::platform
