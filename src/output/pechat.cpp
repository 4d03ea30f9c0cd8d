#include "output/pechat.h"

#include "common/form4.h"
#include "common/numbers.h"
#include "forming/form1.h"
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
#include <QTreeWidget>
#include <limits>

namespace tavrelis {

namespace {

const QString kTitle = QStringLiteral("Вальмора-2: Фискалон");
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

QTreeWidgetItem* row_item(int r) {
    QTreeWidgetItem* item = form2().L1->topLevelItem(r - 1);
    if (!item)
        throw Error(QStringLiteral("Index out of bounds"));
    return item;
}

qint32 next_number(qint32 counter) {
    if (counter == std::numeric_limits<qint32>::max())
        throw Error(QStringLiteral("Overflow"));
    return counter + 1;
}

} // namespace

const QList<TemplateKey>& template_keys() {
    static const QList<TemplateKey> keys{
        {"nomer_pp", 1},
        {"data_pp", 2},
        {"payment_vid", 21},
        {"summa_letters", 28},
        {"inn_sender", 14},
        {"kpp_sender", 15},
        {"summa_digits", 3},
        {"sender", 13},
        {"payment_aim", 25},
        {"prior_payment", 22},
        {"inn", 5},
        {"kpp", 6},
        {"receiver", 4},
        {"period", 26},
        {"data_doc", 27},
        {"kbk", 7},
        {"bank", 12},
        {"bank_sender", 20},
        {"osnov_payment", 23},
        {"payment_type", 24},
        {"bik1", 17},
        {"bik2", 9},
        {"okato", 8},
        {"schet_1", 10},
        {"schet_2", 11},
        {"schet_3", 18},
        {"schet_4", 19},
    };
    return keys;
}

QByteArray template_value(const QString& key, const QString& text) {
    if (is_text_field(key))
        return to_utf8(text);
    if (key == QLatin1String("summa_digits"))
        return platform::to_cp1251(bez_razr(text).replace(u',', u'-'));
    return platform::to_cp1251(text);
}

void fill_keys(int r) {
    const Form2& f2 = form2();
    for (const TemplateKey& k : template_keys()) {
        const QString key = QLatin1String(k.key);
        xml_put(key, template_value(key, f2.cell(r, k.column)));
    }
}

QString sheet_name(int r) {
    const Form2& f2 = form2();
    const QString name = f2.cell(r, 14) + QStringLiteral("_N") + f2.cell(r, 1);
    try {
        return name + u'_' + order_date(f2.cell(r, 2)).toString(QStringLiteral("yyyyMMdd"));
    } catch (const std::exception&) {
        return name; // the output step has reported the date already
    }
}

bool pechat(bool only_xml, bool pay) {
    Form1& f1 = form1();
    Form2& f2 = form2();
    Form4& f4 = form4();
    int step = kStart;
    Stage stage = kForming;
    std::unique_ptr<platform::WordApplication> word;
    platform::WordDocument* doc = nullptr;
    try {
        f4.otvet = 0;
        f2.suc = false;
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
        qint32 counter = clean_number(f4.nomer);

        const int rows = f2.L1->topLevelItemCount();
        for (int i = 1; i <= rows; ++i) {
            step = kRow;
            f2.current_row = i;
            if (row_item(i)->checkState(0) == Qt::Checked) {
                bool printed = false;
                bool numbered = false;

                step = kLoad;
                xml_loader();

                step = kNumber;
                const QString s = f2.cell(i, 1);
                if (only_xml || s.contains(u'N')) {
                    row_item(i)->setText(1, QString::number(clean_number(s)));
                } else {
                    row_item(i)->setText(1, QString::number(counter));
                    numbered = true;
                }

                step = kFill;
                fill_keys(i);

                step = kOpen;
                xml_saver();
                doc = word->Documents_Add(filled_file(template_buffer().next_file));
                doc->Activate();

                step = kOutput;
                auto print_sheet = [&] {
                    stage = kPrinting;
                    if (save_data(only_xml, pay)) {
                        word->set_print_name(sheet_name(i), f4.up_path);
                        word->PrintOut();
                        printed = true;
                    }
                    stage = kForming;
                };
                if (only_xml) {
                    save_data(only_xml, pay);
                } else if (f2.Check1->isChecked()) {
                    word->run(QStringLiteral("to_preview"), preview_file());
                    Form3& f3 = form3();
                    f3.navigate(preview_file());
                    platform::show_modal(f3);
                    if (f1.pechatat) {
                        print_sheet();
                    } else if (f1.cancel_print) {
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
                    f4.last_number = counter - 1;
                }
            }

            // "Отмена" at the overwrite question ends the run after its sheet.
            step = kCancelled;
            if (f1.cancel_print) {
                word->Quit();
                word.reset();
                f2.suc = false;
                return true;
            }
        }

        step = kEnd;
        word->Quit();
        word.reset();
        f4.nomer = QString::number(counter);
        return true;
    } catch (const std::exception& e) {
        f2.suc = false;
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
