#include "output/form3.h"

#include "common/session.h"
#include "forming/form1.h"

#include <QHBoxLayout>
#include <QPushButton>
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
const bool registered = register_window("Form3", []() -> QDialog& { return form3(); });
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
// one starts unanswered.
void Form3::showEvent(QShowEvent* e) {
    form1().pechatat = false;
    QDialog::showEvent(e);
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
