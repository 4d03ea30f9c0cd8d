#pragma once

#include <QString>
#include <memory>

namespace tavrelis::platform {

// A document opened in the word processor.
class WordDocument {
public:
    virtual ~WordDocument() = default;
    virtual void Activate() = 0;
    // Closes the document; the application forgets it, and the pointer with it.
    virtual void Close() = 0;
};

// The word processor ("Word.Application") as the module drives it. Every failure is raised
// as an Error with a description.
class WordApplication {
public:
    virtual ~WordApplication() = default;
    virtual QString Version() const = 0;
    // "Documents"/"Add": a new document from a template file. The application owns it.
    virtual WordDocument* Documents_Add(const QString& template_file) = 0;
    // Runs a macro with one argument; "to_preview" writes an HTML rendering of the active
    // document to the path given.
    virtual void run(const QString& macro, const QString& argument) = 0;
    // "printout": prints the active document.
    virtual void PrintOut() = 0;
    virtual void Quit() = 0;

    // Not an operation of the original word processor. The printout gets no order data, yet
    // a sheet that ends up in a file needs a name: the caller names the next printout
    // (without extension) and the folder for it when there is no printer at all.
    virtual void set_print_name(const QString& name, const QString& folder_without_printer) = 0;

    // Nor is this: where the last printout went, for telling the user. Empty when unknown.
    struct Printout {
        QString pdf;     // the PDF file it became, or empty
        QString printer; // the printer it went to, or empty
    };
    virtual Printout last_printout() const { return {}; }
};

// The stand-in that runs here: opens WordprocessingML 2003 documents, renders them as HTML,
// prints through Qt's print support. Printouts go to PDF files in print_folder() when the
// host set one, otherwise to the default printer, otherwise to a PDF file in the folder
// named by set_print_name. Null when it cannot run (no GUI application to render with).
std::unique_ptr<WordApplication> make_word_application(const QString& version);

// The version the host installation registers (HKEY_CLASSES_ROOT\Word.Application\CurVer,
// "Word.Application.12" gives "12.0"); "12.0" when nothing is registered, empty when the
// registration cannot be read as a version.
QString registered_word_version();

} // namespace tavrelis::platform
