#include "output/form5.h"
#include "forming/compose.h"
#include "output/posting.h"
#include "output/upload_journal.h"
#include <QDir>

#include "common/amount.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/session.h"
#include "common/shared.h"
#include "data/connection.h"
#include "data/stored_dates.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

namespace tavrelis {

namespace {

const QString kUnderline = QStringLiteral("______________________");
const QString kTitlePrefix = QStringLiteral("ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №");

constexpr double kLargestAmount = 999999999999.0;

// Positions are kept in twips, as the form was drawn; the screen's resolution turns them into
// pixels.
int px_x(const QWidget* w, int twips) {
    return twips * w->logicalDpiX() / 1440;
}

int px_y(const QWidget* w, int twips) {
    return twips * w->logicalDpiY() / 1440;
}

struct Line {
    int x1, y1, x2, y2;
};

// The rules of the bank form, in twips of Picture2.
const Line kLines[] = {
    // box around 0401060
    {9720, 360, 10620, 360},
    {10620, 360, 10620, 660},
    {10620, 660, 9720, 660},
    {9720, 660, 9720, 360},
    // box around 01
    {10200, 1080, 10620, 1080},
    {10620, 1080, 10620, 1620},
    {10620, 1620, 10200, 1620},
    {10200, 1620, 10200, 1080},
    // after "Сумма прописью", and under the amount in words
    {1560, 2220, 1560, 3180},
    {300, 3180, 10680, 3180},
    // between the INN, KPP, "Сумма" and amount cells
    {3120, 3180, 3120, 3900},
    {6060, 3180, 6060, 3900},
    {7140, 3180, 7140, 3900},
};

// The white picture box: a sunken frame whose client area carries the rules. Children are
// placed relative to the client area, as the form's coordinates are.
class Picture : public QFrame {
public:
    explicit Picture(QWidget* parent) : QFrame(parent) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
        setAutoFillBackground(true);
    }

    QPoint at(int left, int top) const {
        return contentsRect().topLeft() + QPoint(px_x(this, left), px_y(this, top));
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QFrame::paintEvent(e);
        QPainter painter(this);
        painter.setPen(QPen(Qt::black, 1));
        for (const Line& l : kLines)
            painter.drawLine(at(l.x1, l.y1), at(l.x2, l.y2));
    }
};

// The size of the labels drawn without one of their own.
constexpr double kDefaultPoints = 8.25;

QLabel* label(Picture* box, const char* name, const QString& text, int left, int top, int width,
              int height, double points = kDefaultPoints) {
    auto* l = new QLabel(text, box);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setMargin(0);
    l->setContentsMargins(0, 0, 0, 0);
    // The form was drawn in Times New Roman; Liberation Serif has the same metrics.
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    l->setFont(font);
    l->setGeometry(QRect(box->at(left, top), QSize(px_x(box, width), px_y(box, height))));
    return l;
}

QPushButton* placed_button(QDialog* form, const char* name, const QString& text, int left, int top,
                           int width, int height) {
    QPushButton* b = make_button(form, name, text);
    b->setGeometry(px_x(form, left), px_y(form, top), px_x(form, width), px_y(form, height));
    return b;
}

} // namespace

Form5::Form5() {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Задать параметры платежного поручения вручную"));
    build();
    reset_controls();
}

Form5::~Form5() = default;

Form5& form5() {
    return Session::current().get<Form5>();
}

namespace {
const bool registered = register_window("Form5");
} // namespace

void Form5::build() {
    auto* box = new Picture(this);
    Picture2 = box;
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(px_x(this, 60), px_y(this, 60), px_x(this, 11775), px_y(this, 4035));

    Label1 = label(box, "Label1", kUnderline, 300, 360, 2115, 255);
    Label2 = label(box, "Label2", kUnderline, 3060, 360, 2115, 255);
    Label3 = label(box, "Label3", QStringLiteral("Поступ. в банк плат."), 540, 660, 1695, 315);
    Label4 = label(box, "Label4", QStringLiteral("Списано со сч. плат."), 3240, 660, 1695, 315);
    Label12 = label(box, "Label12", QStringLiteral("0401060"), 9840, 420, 675, 195);
    Label5 = label(box, "Label5", kTitlePrefix, 660, 1140, 4155, 315, 11.25);
    Label10 = label(box, "Label10", QString(), 5820, 1200, 1155, 315, 9.75);
    Label11 = label(box, "Label11", QStringLiteral("ЭЛЕКТРОННО"), 7860, 1200, 1335, 315, 9.75);
    Label15 = label(box, "Label15", QStringLiteral("01"), 10320, 1320, 255, 255);
    Label6 = label(box, "Label6", kUnderline, 5280, 1440, 2115, 255);
    Label7 = label(box, "Label7", kUnderline, 7740, 1440, 2115, 255);
    Label8 = label(box, "Label8", QStringLiteral("Дата"), 6120, 1680, 495, 315);
    Label9 = label(box, "Label9", QStringLiteral("Вид платежа"), 8220, 1680, 1035, 315);
    Label14 = label(box, "Label14", QStringLiteral("Сумма прописью"), 300, 2340, 915, 555, 9.75);
    Label13 = label(box, "Label13", QString(), 2160, 2340, 8475, 555, 9.75);
    Label18 = label(box, "Label18", QStringLiteral("ИНН"), 420, 3360, 1755, 315, 9.75);
    Label19 = label(box, "Label19", QStringLiteral("КПП"), 3420, 3360, 1755, 315, 9.75);
    Label16 = label(box, "Label16", QStringLiteral("Сумма"), 6240, 3300, 915, 315, 9.75);

    Text1 = new QLineEdit(box);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(QRect(box->at(7440, 3300), QSize(px_x(box, 2775), px_y(box, 315))));
    QPalette cyan = Text1->palette();
    cyan.setColor(QPalette::Base, QColor(192, 255, 255));
    Text1->setPalette(cyan);

    Command1 = placed_button(this, "Command1", QStringLiteral("Сохранить"), 1080, 4560, 1995, 435);
    Command2 = placed_button(this, "Command2", QStringLiteral("Отмена"), 8760, 4560, 1995, 435);

    setFixedSize(px_x(this, 11910), px_y(this, 5445));

    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

// The design values: what a freshly loaded window shows before edit_payment fills it. A
// freshly loaded text box has run no change event, so Label13 keeps its own design text.
void Form5::reset_controls() {
    const QSignalBlocker quiet(Text1);
    Label5->setText(kTitlePrefix);
    Label10->clear();
    Label13->clear();
    Label18->setText(QStringLiteral("ИНН"));
    Label19->setText(QStringLiteral("КПП"));
    Text1->setText(QStringLiteral("0,00"));
}

void Form5::showEvent(QShowEvent* e) {
    ModuleWindow::showEvent(e);
    Text1->setFocus(Qt::OtherFocusReason);
    Text1->selectAll();
}

void Form5::Text1_Change() {
    double v = 0;
    if (!read_number(Text1->text(), v) || v < 0 || v > kLargestAmount) {
        Label13->clear();
        return;
    }
    Label13->setText(sum_rub_kop(read_kopecks(Text1->text())));
    Label13->update();
}

namespace {

// The bank has the amount an order was sent with: changing it asks first, naming the file.
bool change_sent_order(const Order& o) {
    data::Connection& cnn = shared().cnn;
    if (!upload_journal_exists(cnn))
        return true;
    const QHash<qint64, SentTo> sent = sent_orders(cnn, {row_oper_id(o[Field::OperId])});
    if (sent.isEmpty())
        return true;
    const SentTo& to = *sent.cbegin();
    return platform::msgbox(QStringLiteral("Платежное поручение № %1 уже выгружено в банк %2 в "
                                           "файле \"%3\". Изменить его сумму?")
                                .arg(QString(o[Field::Number]).remove(u'N'), to.when,
                                     QDir::toNativeSeparators(to.file)),
                            platform::vbYesNo | platform::vbQuestion | platform::vbDefaultButton2,
                            kTitle) == platform::vbYes;
}

} // namespace

void Form5::Command1_Click() {
    if (Label13->text().isEmpty()) {
        platform::msgbox(
            QStringLiteral(
                "Невозможно сохранить параметры: введено некорректное значение суммы уплаты"),
            platform::vbOKOnly | platform::vbCritical, kTitle);
        return;
    }
    // The error box names the step of the save that failed.
    int step = 2;
    try {
        // Rounded on the digits as typed: 10,125 gives 10,12 and 2,675 gives 2,68.
        const Kopecks amount = round_kopecks(Text1->text());
        Text1->setText(number_text(amount));

        step = 3;
        if (!editing)
            throw Error(QStringLiteral("Object variable or With block variable not set"));
        Order o = *editing;
        if (!change_sent_order(o))
            return;
        o[Field::Sum] = razr(amount);
        o[Field::SumWords] = sum_rub_kop(amount);
        editing = o;
        if (on_change)
            on_change(o);

        step = 4;
        QVariantList values;
        for (const Field f : kUpdatedTexts)
            values << o[f];

        step = 5;
        values << (o[Field::DocumentDate] == kNoDocumentDate
                       ? QVariant()
                       : data::stored_date_or_null(o[Field::DocumentDate]))
               << data::stored_date(o[Field::PaymentDate]) << row_oper_id(o[Field::OperId]);
        shared().cnn.execute(QStringLiteral("update payments set ") + updated_columns() +
                                 QStringLiteral(",document_date=?,payment_date=? where oper_id=?"),
                             values);
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Возникла ошибка в модуле Tavrelis.Form5.Command1_Click"),
                       step, e);
        return;
    }
    hide();
}

void Form5::Command2_Click() {
    hide();
}

} // namespace tavrelis
