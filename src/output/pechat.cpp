#include "output/pechat.h"

#include "common/enp.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/settings.h"
#include "common/shared.h"
#include "common/window.h"
#include "forming/form1.h"
#include "output/enp_groups.h"
#include "output/form2.h"
#include "output/form3.h"
#include "output/posting.h"
#include "output/save_data.h"
#include "output/template_buffer.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/objects.h"
#include "platform/ui.h"
#include "platform/word.h"

#include <QCheckBox>
#include <QHash>
#include <QScopeGuard>
#include <limits>

namespace tavrelis {

namespace {

const QString kWordRequired =
    QStringLiteral("Модуль формирования платежных поручений требует наличия Microsoft Word 2003 "
                   "или Microsoft Word 2007. Установите одну из этих версий и повторите действие");

// The fields whose texts are words rather than digits, dates and codes.
bool is_text_field(const QString& key) {
    static const QStringList keys{QStringLiteral("payment_vid"),   QStringLiteral("summa_letters"),
                                  QStringLiteral("sender"),        QStringLiteral("payment_aim"),
                                  QStringLiteral("receiver"),      QStringLiteral("period"),
                                  QStringLiteral("bank"),          QStringLiteral("bank_sender"),
                                  QStringLiteral("osnov_payment"), QStringLiteral("payment_type")};
    return keys.contains(key);
}

// Where the error box says the run failed: the steps of the loop.
enum Step {
    kStart = 1,
    kCreate = 2,
    kCounter = 3,
    kRow = 40,
    kLoad = 42,
    kNumber = 43,
    kFill = 44,
    kOpen = 45,
    kOutput = 46,
    kClose = 47,
    kCount = 48,
    kCancelled = 49,
    kEnd = 5,
};

// What the error box says, by the stage the run was in.
enum Stage { kForming = 0, kPrinting = 1, kStarting = 2 };

qint32 next_number(qint32 counter) {
    if (counter == std::numeric_limits<qint32>::max())
        throw Error(QStringLiteral("Overflow"));
    return counter + 1;
}

} // namespace

const QList<Field>& template_fields() {
    static const QList<Field> fields{
        Field::Number,    Field::PaymentDate, Field::Way,          Field::SumWords,
        Field::InnSender, Field::KppSender,   Field::Sum,          Field::Sender,
        Field::Aim,       Field::Priority,    Field::Inn,          Field::Kpp,
        Field::Receiver,  Field::Period,      Field::DocumentDate, Field::Kbk,
        Field::Bank,      Field::BankSender,  Field::Reason,       Field::PaymentType,
        Field::BikSender, Field::Bik,         Field::Okato,        Field::Rs,
        Field::Ks,        Field::RsSender,    Field::KsSender,
    };
    return fields;
}

QByteArray template_value(const QString& key, const QString& text) {
    if (is_text_field(key))
        return to_utf8(text);
    if (key == QLatin1String("summa_digits"))
        return platform::to_cp1251(bez_razr(text).replace(u',', u'-'));
    return platform::to_cp1251(text);
}

void fill_keys(const Order& o) {
    for (const Field f : template_fields()) {
        const QString key = QLatin1String(field_table()[size_t(f)].key);
        xml_put(key, template_value(key, o[f]));
    }
    // Field 101 follows the payer; a template of the user's own may still print it fixed.
    if (template_buffer().RB1.contains("<status>"))
        xml_put(QStringLiteral("status"), platform::to_cp1251(payer_status(o[Field::InnSender])));
}

QString sheet_name(const Order& o) {
    const QString name = o[Field::InnSender] + QStringLiteral("_N") + o[Field::Number];
    try {
        return name + u'_' + order_date(o[Field::PaymentDate]).toString(QStringLiteral("yyyyMMdd"));
    } catch (const std::exception&) {
        return name; // the output step has reported the date already
    }
}

bool pechat(const OutputOptions& options, RunTally& tally) {
    const bool only_xml = options.only_xml;
    Form1& f1 = form1();
    Form2& f2 = form2();
    Shared& sh = shared();
    int step = kStart;
    Stage stage = kForming;
    std::unique_ptr<platform::WordApplication> word;
    platform::WordDocument* doc = nullptr;
    try {
        sh.otvet = 0;
        tally.exported = false;
        f1.cancel_print = false;
        if (f1.emp)
            return true;

        step = kCreate;
        stage = kStarting;
        word = platform::factory().create_word();
        if (!word)
            throw Error(QStringLiteral("Не удалось создать объект \"Word.Application\""));
        const QString version = word->Version();
        stage = kForming;
        if (version != QLatin1String("11.0") && version != QLatin1String("12.0")) {
            word->Quit();
            word.reset();
            platform::msgbox(kWordRequired, platform::vbCritical, kTitle);
            f2.unload();
            return false;
        }

        step = kCounter;
        qint32 counter = clean_number(sh.nomer);

        const int rows = f2.row_count();
        // A single tax payment of several rows goes out once, at its first row.
        QHash<int, IssuedOrder> issued;
        for (IssuedOrder& o : issued_orders(f2))
            issued.insert(o.rows.first(), std::move(o));
        for (int i = 1; i <= rows; ++i) {
            step = kRow;
            if (issued.contains(i)) {
                IssuedOrder& order = issued[i];
                bool printed = false;
                bool numbered = false;

                step = kLoad;
                xml_loader();

                step = kNumber;
                const QString s = f2.cell(i, Field::Number);
                QString number;
                if (only_xml || s.contains(u'N')) {
                    number = QString::number(clean_number(s));
                } else {
                    number = QString::number(counter);
                    numbered = true;
                }
                for (const int member : order.rows)
                    f2.set_cell(member, Field::Number, number);
                order.order[Field::Number] = number;
                for (Order& member : order.members)
                    member[Field::Number] = number;

                step = kFill;
                fill_keys(order.order);

                step = kOpen;
                xml_saver();
                doc = word->Documents_Add(filled_file(template_buffer().next_file));
                doc->Activate();

                step = kOutput;
                auto print_sheet = [&] {
                    stage = kPrinting;
                    if (save_data(order, options, tally)) {
                        word->set_print_name(sheet_name(order.order), sh.up_path);
                        word->PrintOut();
                        printed = true;
                        const platform::WordApplication::Printout where = word->last_printout();
                        ++tally.sheets;
                        if (!where.pdf.isEmpty())
                            tally.pdfs.append(where.pdf);
                        else if (!where.printer.isEmpty())
                            tally.printers.append(where.printer);
                    }
                    stage = kForming;
                };
                if (only_xml) {
                    save_data(order, options, tally);
                } else if (f2.Check1->isChecked()) {
                    word->run(QStringLiteral("to_preview"), preview_file());
                    Form3& f3 = form3();
                    f3.navigate(preview_file());
                    platform::show_modal(f3);
                    if (f1.pechatat) {
                        print_sheet();
                    } else if (f1.cancel_print) {
                        tally.cancelled = true;
                        doc->Close();
                        doc = nullptr;
                        word->Quit();
                        word.reset();
                        return true;
                    }
                } else {
                    print_sheet();
                }

                step = kClose;
                doc->Close();
                doc = nullptr;

                step = kCount;
                if (printed && numbered) {
                    counter = next_number(counter);
                    sh.last_number = counter - 1;
                    save_counter(f1.S);
                }
            }

            // "Отмена" at the overwrite question ends the run after its sheet.
            step = kCancelled;
            if (tally.cancelled) {
                word->Quit();
                word.reset();
                tally.exported = false;
                return true;
            }
        }

        step = kEnd;
        word->Quit();
        word.reset();
        sh.nomer = QString::number(counter);
        return true;
    } catch (const std::exception& e) {
        tally.exported = false;
        doc = nullptr; // the word processor takes its documents with it
        word.reset();
        QString text;
        switch (stage) {
        case kStarting:
            text = kWordRequired;
            break;
        case kPrinting:
            text = QStringLiteral("Произошла ошибка при выводе документа на печать:") +
                   describe(e) + QStringLiteral(" (") + QString::number(step) + QStringLiteral(")");
            break;
        case kForming:
            text = QStringLiteral("Произошла ошибка при формировании документа для вывода на "
                                  "печать: ") +
                   describe(e) + QStringLiteral(" (") + QString::number(step) + QStringLiteral(")");
            break;
        }
        platform::msgbox(text, platform::vbCritical, kTitle);
        return true;
    }
}

} // namespace tavrelis
