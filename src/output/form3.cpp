#include "output/form3.h"

#include "common/session.h"
#include "forming/form1.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tavrelis {

Form3::Form3() {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Подготовка к печати"));

    WebBrowser1 = new QTextBrowser(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setOpenLinks(false);
    WebBrowser1->setStyleSheet(QStringLiteral("QTextBrowser { background: white; }"));
    Command1 = make_button(this, "Command1", QStringLiteral("Печатать лист"));
    Command2 = make_button(this, "Command2", QStringLiteral("Не печатать лист"));
    Command3 = make_button(this, "Command3", QStringLiteral("Отменить всю печать"));
    Command1->setDefault(true); // Enter prints the sheet unless another button has the focus
    WebBrowser1->setTabChangesFocus(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch(1);
    buttons->addWidget(Command3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WebBrowser1, 1);
    layout->addLayout(buttons);
    resize(860, 900);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
}

Form3::~Form3() = default;

Form3& form3() {
    return Session::current().get<Form3>();
}

namespace {
const bool registered = register_window("Form3");
} // namespace

void Form3::navigate(const QString& file) {
    const QUrl url = QUrl::fromLocalFile(file);
    // The file is rewritten for every sheet under the same name.
    if (WebBrowser1->source() == url)
        WebBrowser1->reload();
    else
        WebBrowser1->setSource(url, QTextDocument::HtmlResource);
}

void Form3::reset_controls() {
    WebBrowser1->clear();
}

// A sheet is printed only on "Печатать лист": whatever an earlier sheet was answered, this
// one starts unanswered. The window keeps the place and size the user gave it for the next
// sheet, and never grows past the screen: the page scrolls, the buttons stay in sight.
void Form3::showEvent(QShowEvent* e) {
    form1().pechatat = false;
    if (placed_.isValid()) {
        move(placed_.topLeft());
        resize(placed_.size());
    }
    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        // The window manager's frame and title come on top of the window's own size.
        const QRect free = s->availableGeometry();
        const QSize frame = frameGeometry().size() - size();
        const int title = frame.height() > 0 ? frame.height() : 40;
        const QSize fits(std::min(width(), free.width() - std::max(frame.width(), 8)),
                         std::min(height(), free.height() - title));
        if (fits != size())
            resize(fits);
        setMaximumSize(free.width(), free.height() - title);
        if (!placed_.isValid())
            move(free.left() + (free.width() - fits.width()) / 2, free.top());
    }
    WebBrowser1->setFocus();
    QDialog::showEvent(e);
}

void Form3::hideEvent(QHideEvent* e) {
    placed_ = QRect(pos(), size());
    QDialog::hideEvent(e);
}

void Form3::reject() {
    Command3_Click();
}

void Form3::Command1_Click() {
    form1().pechatat = true;
    unload();
}

void Form3::Command2_Click() {
    form1().pechatat = false;
    unload();
}

void Form3::Command3_Click() {
    Form1& f1 = form1();
    f1.pechatat = false;
    f1.cancel_print = true;
    unload();
}

} // namespace tavrelis
