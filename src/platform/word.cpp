#include "platform/word.h"

#include "platform/env.h"
#include "platform/errors.h"
#include "platform/registry_file.h"
#include "platform/wordml_render.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTextDocument>
#include <algorithm>
#include <list>
#include <optional>

namespace tavrelis::platform {

namespace {

class StandInWord;

class StandInDocument : public WordDocument {
public:
    StandInDocument(StandInWord& app, QString xml) : app_(app), xml_(std::move(xml)) {}
    void Activate() override;
    void Close() override;
    // Drawn when first shown, printed or saved: a document only made and closed never is.
    const WordHtml& content() const {
        if (!content_)
            content_ = render_wordml(xml_);
        return *content_;
    }

private:
    StandInWord& app_;
    QString xml_;
    mutable std::optional<WordHtml> content_;
};

// Draws the rendered document page by page onto a printer already set up.
void print_html(const WordHtml& doc, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(QStringLiteral("Принтер не готов к печати"));
    QTextDocument text;
    text.documentLayout()->setPaintDevice(&printer);
    text.setDocumentMargin(0);
    // The page's width before the content, so that the sheet is laid out once, not first at
    // the default width and then again.
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    text.setTextWidth(page.width());
    text.setHtml(doc.html);
    // An order is one sheet: a text too long for its cell shrinks the whole sheet to the page
    // rather than push the signatures over. Laid out wider by the shrink first, so the shrunk
    // sheet still fills the width where the cells allow it.
    double scale = 1;
    if (text.size().height() > page.height()) {
        scale = page.height() / text.size().height();
        text.setTextWidth(page.width() / scale);
        scale = std::min(scale, page.height() / text.size().height());
    }
    painter.scale(scale, scale);
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = QRectF(0, 0, page.width() / scale, page.height() / scale);
    ctx.palette.setColor(QPalette::Text, Qt::black);
    painter.setClipRect(ctx.clip);
    text.documentLayout()->draw(&painter, ctx);
    if (!painter.end())
        throw Error(QStringLiteral("Не удалось завершить печать"));
}

void set_page(QPrinter& printer, const WordPage& page) {
    const QSizeF size(page.width / 1440.0 * 25.4, page.height / 1440.0 * 25.4);
    const QPageLayout::Orientation orientation =
        size.width() > size.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    printer.setPageLayout(
        QPageLayout(QPageSize(orientation == QPageLayout::Landscape ? size.transposed() : size,
                              QPageSize::Millimeter),
                    orientation,
                    QMarginsF(page.left / 1440.0 * 25.4, page.top / 1440.0 * 25.4,
                              page.right / 1440.0 * 25.4, page.bottom / 1440.0 * 25.4),
                    QPageLayout::Millimeter));
}

class StandInWord : public WordApplication {
public:
    explicit StandInWord(QString version) : version_(std::move(version)) {}

    QString Version() const override {
        alive();
        return version_;
    }

    WordDocument* Documents_Add(const QString& template_file) override {
        alive();
        QFile f(template_file);
        if (!f.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Не удалось открыть документ \"") +
                        QDir::toNativeSeparators(template_file) + QStringLiteral("\""));
        QString content;
        try {
            content = decode_document(f.readAll());
            check_wordml(content);
        } catch (const Error& e) {
            throw Error(QStringLiteral("Не удалось открыть документ \"") +
                        QDir::toNativeSeparators(template_file) + QStringLiteral("\": ") +
                        e.description());
        }
        documents_.push_back(std::make_unique<StandInDocument>(*this, std::move(content)));
        active_ = documents_.back().get();
        return active_;
    }

    void run(const QString& macro, const QString& argument) override {
        alive();
        if (macro != QLatin1String("to_preview"))
            throw Error(QStringLiteral("Макрос \"") + macro + QStringLiteral("\" не найден"));
        const StandInDocument& doc = active();
        QFile f(argument);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(doc.content().html.toUtf8()) < 0 || !f.flush())
            throw Error(QStringLiteral("Не удалось записать файл \"") +
                        QDir::toNativeSeparators(argument) + QStringLiteral("\""));
    }

    void PrintOut() override {
        alive();
        last_ = {};
        const StandInDocument& doc = active();
        const QString name = print_name_.isEmpty() ? QStringLiteral("document") : print_name_;
        QString pdf_folder = print_folder();
        std::unique_ptr<QPrinter> printer;
        if (pdf_folder.isEmpty()) {
            const QPrinterInfo info = QPrinterInfo::defaultPrinter();
            if (!info.isNull()) {
                printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
                printer->setDocName(name);
                last_ = {QString(), info.printerName()};
            } else {
                pdf_folder = fallback_folder_;
                if (pdf_folder.isEmpty())
                    throw Error(QStringLiteral("Не найден принтер для печати"));
            }
        }
        QString pdf;
        if (!printer) {
            if (!QDir().mkpath(pdf_folder))
                throw Error(QStringLiteral("Не удалось создать папку \"") +
                            QDir::toNativeSeparators(pdf_folder) + QStringLiteral("\""));
            pdf = QDir(pdf_folder).filePath(name + QStringLiteral(".pdf"));
            printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            printer->setDocName(name);
            printer->setCreator(QStringLiteral("Вальмора-2: Фискалон"));
        }
        set_page(*printer, doc.content().page);
        print_html(doc.content(), *printer);
        if (!pdf.isEmpty() && !QFileInfo(pdf).isFile())
            throw Error(QStringLiteral("Не удалось записать файл \"") +
                        QDir::toNativeSeparators(pdf) + QStringLiteral("\""));
        if (!pdf.isEmpty())
            last_ = {pdf, QString()};
    }

    Printout last_printout() const override { return last_; }

    void Quit() override {
        documents_.clear();
        active_ = nullptr;
        quit_ = true;
    }

    void set_print_name(const QString& name, const QString& folder_without_printer) override {
        alive();
        print_name_ = name;
        fallback_folder_ = folder_without_printer;
    }

    void activate(StandInDocument* doc) { active_ = doc; }

    void close(StandInDocument* doc) {
        if (active_ == doc)
            active_ = nullptr;
        documents_.remove_if([doc](const auto& d) { return d.get() == doc; });
        if (!active_ && !documents_.empty())
            active_ = documents_.back().get();
    }

private:
    void alive() const {
        if (quit_)
            throw Error(QStringLiteral("Текстовый процессор уже закрыт"));
    }

    const StandInDocument& active() const {
        if (!active_)
            throw Error(QStringLiteral("Нет открытого документа"));
        return *active_;
    }

    QString version_;
    std::list<std::unique_ptr<StandInDocument>> documents_;
    StandInDocument* active_ = nullptr;
    QString print_name_, fallback_folder_;
    Printout last_;
    bool quit_ = false;
};

void StandInDocument::Activate() {
    app_.activate(this);
}

void StandInDocument::Close() {
    app_.close(this); // destroys this document
}

} // namespace

std::unique_ptr<WordApplication> make_word_application(const QString& version) {
    // Rendering and printing need the GUI side of Qt.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    return std::make_unique<StandInWord>(version);
}

QString registered_word_version() {
    const RegValue v = read_registry_value(
        QStringLiteral("HKEY_CLASSES_ROOT\\Word.Application\\CurVer"), QString());
    if (v.type == RegNone)
        return QStringLiteral("12.0");
    static const QRegularExpression progid(QStringLiteral("^Word\\.Application\\.([0-9]{1,4})$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = progid.match(v.data.toString().trimmed());
    if (v.type != RegSz || !m.hasMatch())
        return QString();
    return m.captured(1) + QStringLiteral(".0");
}

} // namespace tavrelis::platform
